// The command queue and its file: the server menu's commands, the delete actions and renames, the
// file written after every change (once per event-loop turn) with the column widths it is given,
// and the start-up load that drops stale and unreadable entries and survives a damaged file.
#include "base/Clock.h"
#include "commands/CommandQueue.h"
#include "commands/QueueFile.h"
#include "commands/QueueModel.h"
#include "commands/UserCommands.h"

#include "ObjectStream.h"
#include "TestFiles.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QDateTime kNow(QDate(2031, 6, 1), QTime(10, 0, 0));
const QString kNowText = QStringLiteral("01.06.2031 10:00:00");

QStringList describe(const QVector<QueueEntry> &entries) {
    QStringList rows;
    for (const QueueEntry &e : entries)
        rows << QStringList{e.scriptName, e.command, e.timeField, e.server}.join(QLatin1Char('|'));
    return rows;
}
} // namespace

class TestCommandQueue : public QObject {
    Q_OBJECT

private slots:
    void init() {
        Clock::setSource([] { return kNow; });
        m_dir = std::make_unique<QTemporaryDir>();
        m_queue = std::make_unique<CommandQueue>(m_dir->path());
        m_messages.clear();
        connect(m_queue.get(), &CommandQueue::message, this,
                [this](const QString &text) { m_messages << text; });
    }
    void cleanup() {
        m_queue.reset();
        Clock::reset();
    }

    void serverMenuCommands_data() {
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("command");
        QTest::newRow("save") << 0 << QStringLiteral("cmd:saveworld");
        QTest::newRow("destroy wild dinos") << 1 << QStringLiteral("cmd:DestroyWildDinos");
        QTest::newRow("stop") << 2 << QStringLiteral("cmd:doexit");
        QTest::newRow("message of the day")
            << 3 << QStringLiteral("cmd:SetMessageOfTheDay Welcome, survivors!");
        QTest::newRow("empty message keeps its blank")
            << 4 << QStringLiteral("cmd:SetMessageOfTheDay ");
        QTest::newRow("unban") << 5 << QStringLiteral("cmd:UnbanPlayer 76561198000000001");
    }
    void serverMenuCommands() {
        QFETCH(int, action);
        QFETCH(QString, command);
        const QString server = QStringLiteral("Island");
        const UserCommands commands(m_queue.get());
        switch (action) {
        case 0:
            commands.queueSaveWorld(server);
            break;
        case 1:
            commands.queueDestroyWildDinos(server);
            break;
        case 2:
            commands.queueStopServer(server);
            break;
        case 3:
            commands.queueMessageOfTheDay(server, QStringLiteral("Welcome, survivors!"));
            break;
        case 4:
            commands.queueMessageOfTheDay(server, QString());
            break;
        default:
            QVERIFY(commands.queueUnban(server, QStringLiteral("76561198000000001")));
            break;
        }
        QCOMPARE(describe(m_queue->entries()),
                 QStringList{QStringLiteral("User command|%1|%2|Island").arg(command, kNowText)});
    }

    void unbanTakesOnlyASteamId_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<bool>("queued");
        QTest::newRow("17 digits") << QStringLiteral("76561198000000001") << true;
        QTest::newRow("16 digits") << QStringLiteral("7656119800000001") << false;
        QTest::newRow("18 digits") << QStringLiteral("765611980000000012") << false;
        QTest::newRow("a letter") << QStringLiteral("76561198x00000001") << false;
        QTest::newRow("blank at the end") << QStringLiteral("7656119800000001 ") << false;
        QTest::newRow("empty") << QString() << false;
    }
    void unbanTakesOnlyASteamId() {
        QFETCH(QString, id);
        QFETCH(bool, queued);
        QCOMPARE(UserCommands(m_queue.get()).queueUnban(QStringLiteral("Island"), id), queued);
        QCOMPARE(m_queue->count(), queued ? 1 : 0);
    }

    void deleteActionsAndRename() {
        m_queue->LoadQueue();
        // The view's table follows every change as it is announced.
        QueueModel model(m_queue.get());
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QStringList servers = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("A"),
                                     QStringLiteral("A"), QStringLiteral("C"), QStringLiteral("A")};
        for (int i = 0; i < servers.size(); ++i)
            m_queue->QueueAppend(QStringLiteral("S"), QStringLiteral("cmd:%1").arg(i),
                                 kNow.addSecs(600), servers.at(i));
        QCOMPARE(m_queue->renameServer(QStringLiteral("C"), QStringLiteral("C2")), 1);
        QCOMPARE(m_queue->entry(4).server, QStringLiteral("C2"));

        m_queue->removeEntry(1);
        QCOMPARE(m_queue->removeServerEntries(QStringLiteral("A")), 4);
        QCOMPARE(describe(m_queue->entries()),
                 QStringList{QStringLiteral("S|cmd:4|01.06.2031 10:10:00|C2")});
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.index(0, QueueModel::ServerColumn).data().toString(), QStringLiteral("C2"));
        QTRY_VERIFY(QFile::exists(m_queue->fileName()));
        m_queue->removeAll();
        QCOMPARE(model.rowCount(), 0);
        QTRY_VERIFY(!QFile::exists(m_queue->fileName()));
    }

    void everyChangeIsWrittenOncePerTurn() {
        m_queue->LoadQueue();
        QSignalSpy saved(m_queue.get(), &CommandQueue::saved);
        for (int i = 0; i < 3; ++i)
            m_queue->QueueAppend(QStringLiteral("S"), QStringLiteral("cmd:%1").arg(i),
                                 kNow.addSecs(60), QStringLiteral("A"));
        m_queue->renameServer(QStringLiteral("A"), QStringLiteral("B"));
        QCOMPARE(saved.count(), 0);
        QVERIFY(saved.wait(1000));
        QCOMPARE(saved.count(), 1);
        QCOMPARE(describe(QueueFile::read(readBytes(m_queue->fileName())).entries),
                 describe(m_queue->entries()));

        m_queue->markStarted(0);
        QVERIFY(saved.wait(1000));
        QCOMPARE(QueueFile::read(readBytes(m_queue->fileName())).entries.at(0).timeField,
                 QStringLiteral("In progress.."));
        m_queue->removeEntry(0);
        QVERIFY(saved.wait(1000));
        QCOMPARE(QueueFile::read(readBytes(m_queue->fileName())).entries.size(), 2);
        QCOMPARE(saved.count(), 3);
    }

    void nothingIsWrittenBeforeTheLoad() {
        QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("scripts")));
        const QByteArray before = QueueFile::write(
            {QueueEntry(QStringLiteral("S"), QStringLiteral("cmd:x"),
                        QStringLiteral("01.06.2031 11:00:00"), QStringLiteral("A"))},
            {1, 2, 3, 4});
        writeBytes(m_queue->fileName(), before);
        UserCommands(m_queue.get()).queueSaveWorld(QStringLiteral("A"));
        QVERIFY(!m_queue->SaveQueue());
        QTest::qWait(20);
        QCOMPARE(readBytes(m_queue->fileName()), before);
    }

    void loadDropsStaleAndUnreadableEntries() {
        const QList<QStringList> stored = {
            {QStringLiteral("Old"), QStringLiteral("cmd:a"), QStringLiteral("01.06.2031 09:00:00"),
             QStringLiteral("A")},
            {QStringLiteral("Kept"), QStringLiteral("cmd:b"), QStringLiteral("01.06.2031 10:00:21"),
             QStringLiteral("A")},
            {QStringLiteral("Soon"), QStringLiteral("cmd:c"), QStringLiteral("01.06.2031 10:00:20"),
             QStringLiteral("A")},
            {QStringLiteral("Busy"), QStringLiteral("cmd:d"), QStringLiteral("In progress.."),
             QStringLiteral("A")},
            {QStringLiteral("Bad"), QStringLiteral("cmd:e"), QStringLiteral("31.02.2032 10:00:00"),
             QStringLiteral("A")},
            {QStringLiteral("Later"), QStringLiteral("msg:f"),
             QStringLiteral("02.06.2031 08:00:00"), QStringLiteral("B")},
        };
        ObjectStream file = ObjectStream::header();
        file.items(stored).end();
        QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("scripts")));
        writeBytes(m_queue->fileName(), file.bytes);

        m_queue->LoadQueue();
        QCOMPARE(
            m_messages,
            QStringList({QStringLiteral("Delete scriptcommand: `Old´ on `01.06.2031 09:00:00´ "
                                        "(Time exceeded)"),
                         QStringLiteral("Delete scriptcommand: `Soon´ on `01.06.2031 10:00:20´ "
                                        "(Time exceeded)"),
                         QStringLiteral("Delete scriptcommand: `Busy´ on `In progress..´ (Time "
                                        "syntax error)"),
                         QStringLiteral("Delete scriptcommand: `Bad´ on `31.02.2032 10:00:00´ "
                                        "(Time syntax error)")}));
        QCOMPARE(describe(m_queue->entries()),
                 QStringList({QStringLiteral("Kept|cmd:b|01.06.2031 10:00:21|A"),
                              QStringLiteral("Later|msg:f|02.06.2031 08:00:00|B")}));
        // The file changes with the next change of the queue, not at the load.
        QTest::qWait(20);
        QCOMPARE(readBytes(m_queue->fileName()), file.bytes);
    }

    void damagedFileLoadsWhatItCan() {
        const QList<QStringList> stored = {
            {QStringLiteral("One"), QStringLiteral("cmd:a"), QStringLiteral("02.06.2031 09:00:00"),
             QStringLiteral("A")},
            {QStringLiteral("Two"), QStringLiteral("cmd:b"), QStringLiteral("02.06.2031 09:00:01"),
             QStringLiteral("A")},
            {QStringLiteral("Three"), QStringLiteral("cmd:c"),
             QStringLiteral("02.06.2031 09:00:02"), QStringLiteral("A")},
        };
        ObjectStream file = ObjectStream::header();
        file.items(stored).end();
        QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("scripts")));
        writeBytes(m_queue->fileName(),
                   file.bytes.left(file.bytes.indexOf(QByteArrayLiteral("T\0h\0r\0e\0e\0"))));

        m_queue->LoadQueue();
        QCOMPARE(m_queue->count(), 2);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages.at(0).startsWith(QLatin1String(
                     "Queue file scripts/cmdlist.kvl damaged, 2 of 3 commands read, the rest "
                     "skipped: ")),
                 qPrintable(m_messages.at(0)));
        QVERIFY(m_queue->isLoaded());
    }

    void unreadableFileIsReported() {
        // A folder where the file belongs cannot be read as one.
        QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("scripts/cmdlist.kvl")));
        m_queue->LoadQueue();
        QCOMPARE(m_queue->count(), 0);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(m_messages.at(0).startsWith(QLatin1String("Failed to read scripts/cmdlist.kvl: ")));
    }

    void failedSaveIsReportedOnceUntilOneWorks() {
        m_queue->LoadQueue();
        QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("scripts/cmdlist.kvl")));
        QSignalSpy saved(m_queue.get(), &CommandQueue::saved);
        UserCommands(m_queue.get()).queueSaveWorld(QStringLiteral("A"));
        QVERIFY(saved.wait(1000));
        UserCommands(m_queue.get()).queueSaveWorld(QStringLiteral("A"));
        QVERIFY(saved.wait(1000));
        QCOMPARE(saved.count(), 2);
        QCOMPARE(saved.at(0).at(0).toBool(), false);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(m_messages.at(0).startsWith(QLatin1String("Failed to save scripts/cmdlist.kvl: ")));

        QVERIFY(QDir(m_dir->filePath(QStringLiteral("scripts/cmdlist.kvl"))).removeRecursively());
        UserCommands(m_queue.get()).queueSaveWorld(QStringLiteral("A"));
        QVERIFY(saved.wait(1000));
        QCOMPARE(saved.last().at(0).toBool(), true);
        QCOMPARE(QueueFile::read(readBytes(m_queue->fileName())).entries.size(), 3);
        QCOMPARE(m_messages.size(), 1);
    }

    // The widths belong to the view's layout: each write asks for them, the load hands them back,
    // and a queue without a source keeps what it loaded.
    void columnWidthsTravelWithTheFile() {
        m_queue->LoadQueue();
        QCOMPARE(m_queue->loadedColumnWidths(), std::nullopt);
        QueueFile::ColumnWidths layout = {111, 222, 333, 44};
        m_queue->setColumnWidthSource([&layout] { return layout; });
        UserCommands(m_queue.get()).queueSaveWorld(QStringLiteral("A"));
        QVERIFY(m_queue->SaveQueue());
        const auto widthsInFile = [this] {
            return QueueFile::read(readBytes(m_queue->fileName())).columnWidths;
        };
        QCOMPARE(widthsInFile(), (QueueFile::ColumnWidths{111, 222, 333, 44}));
        layout = {120, 130, 140, 150};
        UserCommands(m_queue.get()).queueStopServer(QStringLiteral("A"));
        QVERIFY(m_queue->SaveQueue());
        QCOMPARE(widthsInFile(), layout);

        CommandQueue again(m_dir->path());
        Clock::setSource([] { return kNow.addSecs(-3600); });
        again.LoadQueue();
        QCOMPARE(again.count(), 2);
        QCOMPARE(again.loadedColumnWidths(), std::optional(layout));
        again.removeEntry(0);
        QVERIFY(again.SaveQueue());
        QCOMPARE(widthsInFile(), layout);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<CommandQueue> m_queue;
    QStringList m_messages;
};

QTEST_GUILESS_MAIN(TestCommandQueue)
#include "tst_commandqueue.moc"
