// The queue view: the queue with its icon, its pop-up menu (opened by the Menu key too) with the
// three deletions and their questions, each written to the queue file at once, and the column
// widths kept alike in app.ini and the queue file.
#include "base/Clock.h"
#include "base/IniFile.h"
#include "commands/CommandQueue.h"
#include "commands/QueueFile.h"
#include "commands/QueueScheduler.h"
#include "console/Console.h"
#include "monitor/PollCycle.h"
#include "servers/ServerListModel.h"
#include "ui/MainWindow.h"
#include "ui/MessageBoxes.h"
#include "ui/QueueCountdownModel.h"
#include "ui/QueueMenu.h"
#include "ui/Theme.h"

#include "TestFiles.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QIcon>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <memory>

namespace {

const QDateTime kNow(QDate(2031, 6, 1), QTime(10, 0, 0));
const QString kNoBox = QStringLiteral("(no box)");

void resetBoxes() {
    MessageBoxes::setNextAnswer(QMessageBox::Ok);
    MessageBoxes::inform(nullptr, kNoBox);
}

// A program folder that a test fills before the window starts the console in it.
struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<Console> console;
    std::unique_ptr<MainWindow> window;

    QString file(const QString &name) const { return dir.filePath(name); }
    QString queueFile() const { return file(QStringLiteral("scripts/cmdlist.kvl")); }

    void start() {
        console = std::make_unique<Console>(dir.path());
        window = std::make_unique<MainWindow>(console.get());
        window->show();
        window->runStartUp();
        console->pollCycle()->stop();
        console->scheduler()->stop();
        resetBoxes();
    }
    CommandQueue *queue() const { return console->queue(); }
    QTreeView *view() const { return window->queueView(); }
    QueueMenu *menu() const { return window->queueMenu(); }

    void queueEntries() const {
        const QDateTime later(QDate(2031, 6, 2), QTime(20, 0, 0));
        queue()->QueueAppend(QStringLiteral("Evening"), QStringLiteral("msg:a"), later,
                             QStringLiteral("Island"));
        queue()->QueueAppend(QStringLiteral("Evening"), QStringLiteral("msg:b"), later,
                             QStringLiteral("Reef"));
        queue()->QueueAppend(QStringLiteral("User command"), QStringLiteral("cmd:c"), later,
                             QStringLiteral("Island"));
        queue()->QueueAppend(QStringLiteral("User command"), QStringLiteral("cmd:d"), later,
                             QStringLiteral("Reef"));
        QVERIFY(queue()->SaveQueue());
    }
    void select(int row) const { view()->setCurrentIndex(view()->model()->index(row, 0)); }
    QStringList commands() const {
        QStringList texts;
        for (const QueueEntry &entry : queue()->entries())
            texts << entry.command;
        return texts;
    }
    QStringList fileCommands() const {
        QStringList texts;
        for (const QueueEntry &entry : QueueFile::read(readBytes(queueFile())).entries)
            texts << entry.command;
        return texts;
    }
    QueueFile::ColumnWidths fileWidths() const {
        const QueueFile::ReadResult read = QueueFile::read(readBytes(queueFile()));
        return read.hasColumnWidths ? read.columnWidths : QueueFile::ColumnWidths{};
    }
    int iniWidth(int column) const {
        IniFile ini(file(QStringLiteral("app.ini")));
        return ini.readInt(QStringLiteral("Design"),
                           QStringLiteral("lv4col") + QString::number(column), -1);
    }
};

} // namespace

class TestQueueView : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Clock::setSource([] { return kNow; });
    }
    void cleanupTestCase() { Clock::reset(); }

    void viewShowsTheQueueWithItsIcon() {
        Fixture f;
        f.start();
        f.queueEntries();
        const QAbstractItemModel *model = f.view()->model();
        QCOMPARE(model->rowCount(), 4);
        QStringList captions;
        for (int column = 0; column < model->columnCount(); ++column)
            captions << model->headerData(column, Qt::Horizontal).toString();
        QCOMPARE(captions,
                 (QStringList{QStringLiteral("Script name"), QStringLiteral("Script command"),
                              QStringLiteral("Start time"), QStringLiteral("Server")}));
        // Beside the start time, the time left until it.
        QCOMPARE(model->index(1, 2).data().toString(),
                 QStringLiteral("02.06.2031 20:00:00  (in 34 h)"));
        QVERIFY(!model->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
        QVERIFY(model->index(0, 1).data(Qt::DecorationRole).isNull());
    }

    void timeLeftReadsAsAnOperatorSaysIt_data() {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("due") << qint64(0) << QString();
        QTest::newRow("past") << qint64(-30) << QString();
        QTest::newRow("seconds") << qint64(45) << QStringLiteral("in 45 s");
        QTest::newRow("a minute begun counts") << qint64(181) << QStringLiteral("in 4 min");
        QTest::newRow("whole hour") << qint64(3600) << QStringLiteral("in 1 h");
        QTest::newRow("hours and minutes") << qint64(7500) << QStringLiteral("in 2 h 5 min");
        QTest::newRow("days") << qint64(3 * 86400 + 100) << QStringLiteral("in 3 days");
    }
    void timeLeftReadsAsAnOperatorSaysIt() {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(QueueCountdownModel::timeLeft(seconds), text);
        // A state text has no time left.
        QCOMPARE(QueueCountdownModel::withTimeLeft(QueueEntry::inProgressText(), kNow),
                 QueueEntry::inProgressText());
    }

    void firstStartFitsTheColumnsIntoThePane() {
        Fixture f;
        f.start();
        f.queueEntries();
        QTRY_VERIFY(f.view()->columnWidth(0) < 200);
        int total = 0;
        for (int column = 0; column < 4; ++column)
            total += f.view()->columnWidth(column);
        QVERIFY(total <= f.view()->viewport()->width());
        const QString shown = f.view()->model()->index(1, 2).data().toString();
        QVERIFY(f.view()->columnWidth(2) > f.view()->fontMetrics().horizontalAdvance(shown));
    }

    void menuOffersItsItemsOnlyForASelectedEntry() {
        Fixture f;
        f.start();
        f.queueEntries();
        QueueMenu *menu = f.menu();
        QCOMPARE(menu->deleteAction()->text(), QStringLiteral("Delete"));
        QCOMPARE(menu->deleteServerAction()->text(), QStringLiteral("Delete all from this server"));
        QCOMPARE(menu->deleteAllAction()->text(), QStringLiteral("Delete all"));

        f.view()->selectionModel()->clearSelection();
        menu->updateEnabling();
        QVERIFY(!menu->deleteAction()->isEnabled());
        QVERIFY(!menu->deleteServerAction()->isEnabled());
        QVERIFY(!menu->deleteAllAction()->isEnabled());

        f.view()->setFocus();
        f.select(2);
        QTest::keyClick(f.view(), Qt::Key_Menu);
        QTRY_COMPARE(QApplication::activePopupWidget(), static_cast<QWidget *>(menu));
        QVERIFY(menu->deleteAction()->isEnabled());
        QVERIFY(menu->deleteServerAction()->isEnabled());
        QVERIFY(menu->deleteAllAction()->isEnabled());
        menu->close();
    }

    void deletionsAskWhereTheyMustAndWriteTheFileAtOnce_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("answer"); // 0: no question is expected
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QStringList>("left");

        const QStringList all{"msg:a", "msg:b", "cmd:c", "cmd:d"};
        QTest::newRow("delete, without a question")
            << "one" << 0 << kNoBox << QStringList{"msg:a", "cmd:c", "cmd:d"};
        QTest::newRow("delete all from this server, yes")
            << "server" << int(QMessageBox::Yes) << "Delete all commands to `Reef´ ?"
            << QStringList{"msg:a", "cmd:c"};
        QTest::newRow("delete all from this server, no")
            << "server" << int(QMessageBox::No) << "Delete all commands to `Reef´ ?" << all;
        QTest::newRow("delete all, yes") << "all" << int(QMessageBox::Yes)
                                         << "Delete all commands to all servers?" << QStringList();
        QTest::newRow("delete all, no")
            << "all" << int(QMessageBox::No) << "Delete all commands to all servers?" << all;
    }

    void deletionsAskWhereTheyMustAndWriteTheFileAtOnce() {
        QFETCH(QString, item);
        QFETCH(int, answer);
        QFETCH(QString, asked);
        QFETCH(QStringList, left);
        Fixture f;
        f.start();
        f.queueEntries();
        f.select(1); // "msg:b" to Reef
        if (answer != 0)
            MessageBoxes::setNextAnswer(QMessageBox::StandardButton(answer));
        QueueMenu *menu = f.menu();
        QAction *action = item == "one"      ? menu->deleteAction()
                          : item == "server" ? menu->deleteServerAction()
                                             : menu->deleteAllAction();
        action->trigger();

        QCOMPARE(MessageBoxes::lastText(), asked);
        QCOMPARE(f.commands(), left);
        // Written before the event loop runs again: nothing waits for a later save.
        QCOMPARE(QFile::exists(f.queueFile()), !left.isEmpty());
        QCOMPARE(f.fileCommands(), left);
    }

    void columnWidthsComeFromTheQueueFileWhileThereIsOne_data() {
        QTest::addColumn<bool>("withFile");
        QTest::newRow("app.ini only") << false;
        QTest::newRow("queue file and app.ini") << true;
    }

    void columnWidthsComeFromTheQueueFileWhileThereIsOne() {
        QFETCH(bool, withFile);
        Fixture f;
        writeBytes(f.file(QStringLiteral("app.ini")),
                   "[Design]\r\nlv4col0=111\r\nlv4col1=122\r\nlv4col2=133\r\nlv4col3=144\r\n");
        if (withFile) {
            QVERIFY(QDir().mkpath(f.file(QStringLiteral("scripts"))));
            writeBytes(
                f.queueFile(),
                QueueFile::write(
                    {QueueEntry(QStringLiteral("Evening"), QStringLiteral("cmd:saveworld"),
                                QStringLiteral("02.06.2031 20:00:00"), QStringLiteral("Island"))},
                    {211, 222, 233, 244}));
        }
        f.start();
        const int first = withFile ? 211 : 111;
        QCOMPARE(f.view()->columnWidth(0), first);
        QCOMPARE(f.view()->columnWidth(1), first + 11);
        QCOMPARE(f.view()->columnWidth(2), first + 22);

        // A width the operator drags goes with the next write of the queue, and to both at exit.
        f.view()->header()->resizeSection(0, 175);
        QCOMPARE(f.console->queueColumnWidths()[0], 175);
        f.queue()->QueueAppend(QStringLiteral("User command"), QStringLiteral("cmd:doexit"),
                               QDateTime(QDate(2031, 6, 3), QTime(8, 0, 0)),
                               QStringLiteral("Island"));
        QTRY_COMPARE(f.fileWidths()[0], 175);
        f.window->close();
        QCOMPARE(f.iniWidth(0), 175);
        QCOMPARE(f.fileWidths()[0], 175);
        QCOMPARE(f.fileWidths()[1], f.iniWidth(1));
        QCOMPARE(f.fileWidths()[2], f.iniWidth(2));
        QCOMPARE(f.fileWidths()[3], f.iniWidth(3));
    }

    // Under Xvfb with KVD_SCREENSHOT_DIR set: the window's left column with queued commands.
    void screenshot() {
        const QByteArray shots = qgetenv("KVD_SCREENSHOT_DIR");
        if (shots.isEmpty())
            QSKIP("KVD_SCREENSHOT_DIR is not set");
        Theme::apply(*qApp);
        Fixture f;
        f.start();
        for (const char *name : {"The Island #1", "Scorched Earth", "Ragnarok PvE"})
            f.console->servers()->appendServer({QString::fromUtf8(name), QStringLiteral("10.0.0.7"),
                                                QStringLiteral("27020"), QStringLiteral("secret")});
        const QDateTime evening(QDate(2031, 6, 1), QTime(21, 30, 0));
        auto add = [&](const char *script, const char *command, const QDateTime &at,
                       const char *server) {
            f.queue()->QueueAppend(QString::fromUtf8(script), QString::fromUtf8(command), at,
                                   QString::fromUtf8(server));
        };
        add("User command", "cmd:saveworld", kNow, "Scorched Earth");
        f.queue()->setTimeField(0, QueueEntry::inProgressText());
        add("Evening restart", "msg:Server restarts in 5 minutes", evening, "The Island #1");
        add("Evening restart", "msg:Server restarts in 1 minute", evening.addSecs(240),
            "The Island #1");
        add("Evening restart", "cmd:saveworld", evening.addSecs(290), "The Island #1");
        add("Evening restart", "cmd:doexit", evening.addSecs(300), "The Island #1");
        add("Weekend", "cmd:SetMessageOfTheDay Double XP until Monday!",
            QDateTime(QDate(2031, 6, 6), QTime(18, 0, 0)), "Ragnarok PvE");
        WindowLayout layout = f.window->currentLayout();
        layout.width = 1500;
        layout.p1w = 860;
        layout.lv4col = {150, 290, 245, 150};
        f.window->applyLayout(layout);
        f.select(2);
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QWidget *column = f.view()->parentWidget();
        QVERIFY(
            column->grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/queue-view.png")));
    }
};

QTEST_MAIN(TestQueueView)
#include "tst_queueview.moc"
