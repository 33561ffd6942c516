// The Schedules page of the options dialog: a schedule made, changed, switched off and deleted
// from the keyboard-operable page and its dialog, each change in scripts/schedules.ini at once
// and in the queue; the dialog refusing what makes no schedule; every control named.
#include "base/Clock.h"
#include "commands/CommandQueue.h"
#include "commands/ScriptFolder.h"
#include "console/Console.h"
#include "monitor/PollCycle.h"
#include "schedules/ScheduleRunner.h"
#include "servers/ServerListModel.h"
#include "ui/MessageBoxes.h"
#include "ui/ScheduleDialog.h"
#include "ui/SchedulesPage.h"
#include "ui/Theme.h"

#include "ModalDialogs.h"
#include "TestFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtTest>

namespace {
const QDateTime kNow(QDate(2031, 6, 2), QTime(10, 0, 0));
const QString kNoBox = QStringLiteral("(no box)");

struct Fixture {
    QTemporaryDir dir;
    Console console{dir.path()};
    SchedulesPage *page = nullptr;
    std::unique_ptr<QWidget> window;

    Fixture() {
        Clock::setSource([] { return kNow; });
        QDir().mkpath(dir.filePath(QStringLiteral("scripts")));
        writeBytes(dir.filePath(QStringLiteral("scripts/Restart.kvs")),
                   "msg:Restart in 5 minutes\r\nwait:300\r\ncmd:doexit\r\n");
        writeBytes(dir.filePath(QStringLiteral("scripts/Save.kvs")), "cmd:saveworld\r\n");
        console.start();
        console.pollCycle()->stop();
        for (const char *name : {"The Island #1", "Scorched Earth", "Ragnarok PvE"})
            console.servers()->appendServer({QString::fromUtf8(name), QStringLiteral("127.0.0.1"),
                                             QStringLiteral("9"), QStringLiteral("pw")});
        console.scripts()->ListscriptDir();
        window = std::make_unique<QWidget>();
        page = new SchedulesPage(&console, window.get());
        auto *layout = new QVBoxLayout(window.get());
        layout->addWidget(page);
        MessageBoxes::setNextAnswer(QMessageBox::Ok);
        MessageBoxes::inform(nullptr, kNoBox);
    }
    ~Fixture() {
        console.shutDown();
        Clock::reset();
    }
    QByteArray file() const { return readBytes(console.schedules()->fileName()); }
    QStringList row(int index) const {
        QStringList texts;
        const QTreeWidgetItem *item = page->list()->topLevelItem(index);
        for (int column = 0; column < item->columnCount(); ++column)
            texts << item->text(column);
        return texts;
    }
};

void checkServer(ScheduleDialog *dialog, const QString &name) {
    const QList<QListWidgetItem *> items = dialog->serverList()->findItems(name, Qt::MatchExactly);
    QVERIFY(!items.isEmpty());
    items.first()->setCheckState(Qt::Checked);
}

void expectNamed(QWidget *top) {
    for (QWidget *control : top->findChildren<QWidget *>()) {
        if (control->focusPolicy() == Qt::NoFocus || !control->isVisibleTo(top) ||
            qobject_cast<QWidget *>(control->parent()) != control->parentWidget() ||
            (control->inherits("QLineEdit") &&
             control->parentWidget()->inherits("QAbstractSpinBox")))
            continue;
        if (control->inherits("QScrollBar") || control->inherits("QHeaderView") ||
            control->objectName().startsWith(QLatin1String("qt_")))
            continue;
        const auto *button = qobject_cast<QAbstractButton *>(control);
        QVERIFY2(!control->accessibleName().isEmpty() || (button && !button->text().isEmpty()),
                 control->metaObject()->className());
    }
}
} // namespace

class TestSchedulesPage : public QObject {
    Q_OBJECT

private slots:
    void scheduleMadeChangedSwitchedOffAndDeleted() {
        Fixture f;
        QCOMPARE(f.page->list()->topLevelItemCount(), 0);
        QVERIFY(!f.page->editButton()->isEnabled());

        ModalStep<ScheduleDialog> make([](ScheduleDialog *dialog) {
            QTest::keyClicks(dialog->nameField(), QStringLiteral("Nightly restart"));
            dialog->scriptField()->setCurrentText(QStringLiteral("Restart"));
            checkServer(dialog, QStringLiteral("The Island #1"));
            checkServer(dialog, QStringLiteral("Scorched Earth"));
            dialog->atField()->setTime(QTime(4, 0));
            QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
        });
        QTest::mouseClick(f.page->newButton(), Qt::LeftButton);
        QVERIFY(make.ran());
        QCOMPARE(MessageBoxes::lastText(), kNoBox);
        QCOMPARE(f.file(), QByteArray("[Nightly restart]\nscript=Restart\n"
                                      "servers=The Island #1|Scorched Earth\nat=04:00\n"
                                      "days=daily\nevery=\nenabled=1\n"));
        QCOMPARE(f.row(0),
                 (QStringList{"Nightly restart", "Restart", "The Island #1, Scorched Earth",
                              "04:00 daily", "03.06.2031 04:00"}));
        QCOMPARE(f.console.queue()->count(), 4);

        // Edit: every 30 minutes on every server.
        f.page->list()->setCurrentItem(f.page->list()->topLevelItem(0));
        ModalStep<ScheduleDialog> edit([](ScheduleDialog *dialog) {
            dialog->allServersBox()->setChecked(true);
            dialog->everyField()->setText(QStringLiteral("30m"));
            QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
        });
        QTest::mouseClick(f.page->editButton(), Qt::LeftButton);
        QVERIFY(edit.ran());
        QCOMPARE(f.row(0).mid(2),
                 (QStringList{"every server", "every 30m from 04:00", "02.06.2031 10:30"}));
        QCOMPARE(f.console.queue()->count(), 6);

        f.page->list()->setCurrentItem(f.page->list()->topLevelItem(0));
        QCOMPARE(f.page->enableButton()->text(), QStringLiteral("Disable"));
        QTest::mouseClick(f.page->enableButton(), Qt::LeftButton);
        QVERIFY(f.file().contains("enabled=0\n"));
        QCOMPARE(f.row(0).at(4), QStringLiteral("disabled"));
        QCOMPARE(f.console.queue()->count(), 0);
        QCOMPARE(f.page->enableButton()->text(), QStringLiteral("Enable"));

        // The Delete key asks as the button does; No keeps it.
        MessageBoxes::setNextAnswer(QMessageBox::No);
        QTest::keyClick(f.page->list(), Qt::Key_Delete);
        QCOMPARE(MessageBoxes::lastText(), QStringLiteral("Delete schedule: `Nightly restart´?"));
        QCOMPARE(f.page->list()->topLevelItemCount(), 1);
        MessageBoxes::setNextAnswer(QMessageBox::Yes);
        QTest::mouseClick(f.page->deleteButton(), Qt::LeftButton);
        QCOMPARE(MessageBoxes::lastText(), QStringLiteral("Delete schedule: `Nightly restart´?"));
        QCOMPARE(f.page->list()->topLevelItemCount(), 0);
        QCOMPARE(f.file(), QByteArray());
    }

    void dialogRefusesWhatMakesNoSchedule_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("server");
        QTest::addColumn<QString>("every");
        QTest::addColumn<bool>("noDays");
        QTest::addColumn<QString>("message");
        QTest::newRow("no name") << "" << true << "" << false
                                 << "A schedule needs a name without [ and ].";
        QTest::newRow("name taken")
            << "taken" << true << "" << false << "A schedule named `taken´ exists already.";
        QTest::newRow("no server") << "A" << false << "" << false
                                   << "Choose the servers the schedule runs on, or every server.";
        QTest::newRow("bad interval") << "A" << true << "every hour" << false
                                      << "\"every hour\" is not an interval like 30m or 6h under "
                                         "a day.";
        QTest::newRow("no day") << "A" << true << "" << true
                                << "Choose the days the schedule runs on.";
    }
    void dialogRefusesWhatMakesNoSchedule() {
        QFETCH(QString, name);
        QFETCH(bool, server);
        QFETCH(QString, every);
        QFETCH(bool, noDays);
        QFETCH(QString, message);
        Fixture f;
        Schedule taken;
        taken.name = QStringLiteral("Taken");
        taken.script = QStringLiteral("Save");
        taken.allServers = true;
        QVERIFY(f.console.schedules()->save({taken}));
        bool open = false;
        ModalStep<ScheduleDialog> refuse([&](ScheduleDialog *dialog) {
            dialog->nameField()->setText(name);
            if (server)
                checkServer(dialog, QStringLiteral("Ragnarok PvE"));
            dialog->everyField()->setText(every);
            if (noDays) {
                for (int day = 1; day <= 7; ++day)
                    dialog->dayBox(day)->setChecked(false);
            }
            MessageBoxes::setNextAnswer(QMessageBox::Ok);
            QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
            open = dialog->isVisible();
            dialog->reject();
        });
        QTest::mouseClick(f.page->newButton(), Qt::LeftButton);
        QVERIFY(refuse.ran());
        QVERIFY(open);
        QCOMPARE(MessageBoxes::lastText(), message);
        QCOMPARE(f.console.schedules()->schedules().size(), 1);
    }

    void everyControlIsNamedAndTheKeyboardReachesThem() {
        Fixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        expectNamed(f.page);
        ModalStep<ScheduleDialog> look([](ScheduleDialog *dialog) {
            expectNamed(dialog);
            // The name field has the focus and Tab goes on to the script.
            QVERIFY(dialog->nameField()->hasFocus());
            QTest::keyClick(dialog, Qt::Key_Tab);
            QVERIFY(dialog->scriptField()->hasFocus());
            dialog->reject();
        });
        f.page->newButton()->setFocus();
        QTest::keyClick(f.page->newButton(), Qt::Key_Space);
        QVERIFY(look.ran());
    }

    // Under Xvfb with KVD_SCREENSHOT_DIR set: the page with three schedules.
    void screenshot() {
        const QByteArray shots = qgetenv("KVD_SCREENSHOT_DIR");
        if (shots.isEmpty())
            QSKIP("KVD_SCREENSHOT_DIR is not set");
        Theme::apply(*qApp);
        Fixture f;
        Schedule nightly;
        nightly.name = QStringLiteral("Nightly restart");
        nightly.script = QStringLiteral("Restart");
        nightly.servers =
            QStringList{QStringLiteral("The Island #1"), QStringLiteral("Scorched Earth")};
        nightly.at = QTime(4, 0);
        Schedule saves;
        saves.name = QStringLiteral("Saves");
        saves.script = QStringLiteral("Save");
        saves.allServers = true;
        saves.at = QTime(0, 15);
        saves.everyMinutes = 30;
        Schedule weekend;
        weekend.name = QStringLiteral("Weekend event");
        weekend.script = QStringLiteral("Restart");
        weekend.servers = QStringList{QStringLiteral("Ragnarok PvE")};
        weekend.at = QTime(18, 0);
        weekend.days = (1 << 4) | (1 << 5);
        weekend.enabled = false;
        QVERIFY(f.console.schedules()->save({nightly, saves, weekend}));
        f.page->list()->setCurrentItem(f.page->list()->topLevelItem(0));
        f.window->resize(760, 300);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        QVERIFY(f.window->grab().save(QString::fromLocal8Bit(shots) +
                                      QStringLiteral("/schedules.png")));
    }
};

QTEST_MAIN(TestSchedulesPage)
#include "tst_schedulespage.moc"
