// Commands against simulated game servers on loopback: kick and ban, the outcomes of an exchange
// and their log lines, one exchange at a time, the scheduler sending due entries and dropping
// those of offline or deleted servers with a trace, and queued commands across a restart.
#include "base/Clock.h"
#include "base/Intervals.h"
#include "base/ProgramState.h"
#include "commands/CommandQueue.h"
#include "commands/CommandSender.h"
#include "commands/QueueScheduler.h"
#include "commands/ScriptSchedule.h"
#include "commands/UserCommands.h"
#include "console/Console.h"
#include "servers/ServerListFile.h"
#include "servers/ServerListModel.h"
#include "servers/TableFile.h"

#include "ConsoleFixture.h"
#include "SimServer.h"
#include "TestPorts.h"
#include "TestStates.h"
#include "TestWait.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

constexpr int kWait = 10000;
const QString kAnna = QStringLiteral("76561198000000001");
const QString kBert = QStringLiteral("76561198000000002");
const QDateTime kNow(QDate(2031, 6, 1), QTime(10, 0, 0));

// A moving test clock: starts at kNow, moves only when told.
struct TestClock {
    QDateTime now = kNow;
    TestClock() {
        Clock::setSource([this] { return now; });
    }
    ~TestClock() { Clock::reset(); }
    TestClock(const TestClock &) = delete;
    TestClock &operator=(const TestClock &) = delete;
};

// Answers may take this long while it lives, so a test can look at an exchange under way.
struct SlowAnswers {
    int previous = Intervals::instance().commandAnswerTimeoutMs;
    SlowAnswers() { Intervals::instance().commandAnswerTimeoutMs = 10000; }
    ~SlowAnswers() { Intervals::instance().commandAnswerTimeoutMs = previous; }
    SlowAnswers(const SlowAnswers &) = delete;
    SlowAnswers &operator=(const SlowAnswers &) = delete;
};

// The sender, the queue and its scheduler over a server list of their own, without a poll cycle
// that would talk to the simulated servers as well.
struct Rig {
    QTemporaryDir dir;
    ProgramState state;
    ServerListModel servers{dir.filePath(QStringLiteral("server.dat"))};
    CommandSender sender{&servers, &state};
    CommandQueue queue{dir.path()};
    QueueScheduler scheduler{&queue, &servers, &sender, &state};
    QStringList messages;
    QList<CommandSender::Outcome> outcomes;
    std::vector<std::unique_ptr<SimServer>> sims;

    Rig() {
        QObject::connect(&sender, &CommandSender::message,
                         [this](const QString &t) { messages << t; });
        QObject::connect(&queue, &CommandQueue::message,
                         [this](const QString &t) { messages << t; });
        QObject::connect(&scheduler, &QueueScheduler::message,
                         [this](const QString &t) { messages << t; });
        QObject::connect(&sender, &CommandSender::finished,
                         [this](quint64, CommandSender::Outcome o) { outcomes << o; });
        queue.LoadQueue();
    }
    ~Rig() {
        scheduler.stop();
        sender.stop();
    }

    SimServer *sim(const QString &name, const QString &status = QStringLiteral("Online")) {
        sims.push_back(std::make_unique<SimServer>(name, QStringLiteral("pw")));
        SimServer *server = sims.back().get();
        server->start();
        add(name, server->portText(), status);
        return server;
    }
    void add(const QString &name, const QString &port,
             const QString &status = QStringLiteral("Online")) {
        const int row =
            servers.appendServer({name, QStringLiteral("127.0.0.1"), port, QStringLiteral("pw")});
        servers.setState(row, stateFromText(status));
    }
    bool waitOutcomes(int count) {
        return waitUntil([this, count] { return outcomes.size() >= count; }, kWait);
    }
};

QList<qint32> packetTypes(const SimServer *sim) {
    QList<qint32> types;
    for (const SimServer::ReceivedPacket &packet : sim->receivedPackets())
        types << packet.type;
    return types;
}

QStringList withoutPolls(const QStringList &commands) {
    QStringList out;
    for (const QString &command : commands) {
        if (command != QLatin1String("listplayers"))
            out << command;
    }
    return out;
}

} // namespace

class TestCommands : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Intervals &intervals = Intervals::instance();
        intervals.schedulerMs = 20;
        intervals.commandConnectTimeoutMs = 500;
        intervals.commandAnswerTimeoutMs = 500;
        intervals.visitStartFirstPassMs = 10;
        intervals.visitStartMs = 30;
        intervals.watchdogMs = 1500;
    }

    void kickAndBanReachTheServerAndLogSuccess() {
        Rig rig;
        SimServer *island = rig.sim(QStringLiteral("Island"));
        island->addPlayer(QStringLiteral("Anna"), kAnna);
        island->addPlayer(QStringLiteral("Bert"), kBert);
        rig.sender.KickOnServer(QStringLiteral("Island"), kAnna);
        rig.sender.BanOnServer(QStringLiteral("Island"), kBert);
        QVERIFY(rig.waitOutcomes(2));
        QCOMPARE(island->commands(), QStringList({QStringLiteral("KickPlayer ") + kAnna,
                                                  QStringLiteral("BanPlayer ") + kBert}));
        QCOMPARE(rig.messages,
                 QStringList(
                     {QStringLiteral("Command successfully: KickPlayer %1 @ Island").arg(kAnna),
                      QStringLiteral("Command successfully: BanPlayer %1 @ Island").arg(kBert)}));
        QVERIFY(island->bannedIds().contains(kBert));
        QVERIFY(island->players().isEmpty());
        // Each command on a connection of its own, after its own login.
        QCOMPARE(island->connectionCount(), 2);
        QCOMPARE(packetTypes(island), (QList<qint32>{3, 2, 3, 2}));
        QCOMPARE(island->receivedPackets().at(2).body, QByteArray("pw"));
        QVERIFY(!rig.sender.isBusy());
    }

    void refusedLoginLogsNothing() {
        Rig rig;
        SimServer *island = rig.sim(QStringLiteral("Island"));
        island->setFault(SimServer::RefuseLogin);
        rig.sender.KickOnServer(QStringLiteral("Island"), kAnna);
        QVERIFY(rig.waitOutcomes(1));
        QCOMPARE(rig.outcomes.at(0), CommandSender::Outcome::Refused);
        QCOMPARE(rig.messages, QStringList());
        QCOMPARE(island->commands(), QStringList());
        QVERIFY(!rig.sender.isBusy());
    }

    void everyOutcomeIsLoggedAndTheNextCommandGoesOn_data() {
        QTest::addColumn<QString>("port"); // "sim", "closed", "missing" or the port text itself
        QTest::addColumn<int>("fault");
        QTest::addColumn<CommandOrigin>("origin");
        QTest::addColumn<QString>("line");
        QTest::addColumn<CommandSender::Outcome>("outcome");
        using O = CommandSender::Outcome;
        const QString kick = QStringLiteral("KickPlayer ") + kAnna;
        QTest::newRow("nobody listens, kick")
            << QStringLiteral("closed") << 0 << CommandOrigin::Player
            << QStringLiteral("ERROR: Command ") + kick << O::ConnectFailed;
        QTest::newRow("nobody listens, queued")
            << QStringLiteral("closed") << 0 << CommandOrigin::Queue
            << QStringLiteral("ERROR: Command on Island - ") + kick << O::ConnectFailed;
        QTest::newRow("server gone from the list")
            << QStringLiteral("missing") << 0 << CommandOrigin::Player
            << QStringLiteral("ERROR: Command ") + kick << O::ConnectFailed;
        QTest::newRow("port is no number")
            << QStringLiteral("27o15") << 0 << CommandOrigin::Queue
            << QStringLiteral("ERROR: Command on Island - ") + kick << O::ConnectFailed;
        QTest::newRow("connect never completes")
            << QStringLiteral("sim") << int(SimServer::StallConnect) << CommandOrigin::Player
            << QStringLiteral("ERROR: Command ") + kick << O::ConnectFailed;
        QTest::newRow("login never answered")
            << QStringLiteral("sim") << int(SimServer::SilentLogin) << CommandOrigin::Player
            << QStringLiteral("Command error: ") + kick << O::TimedOut;
        QTest::newRow("command never answered")
            << QStringLiteral("sim") << int(SimServer::NeverAnswer) << CommandOrigin::Queue
            << QStringLiteral("Command error: ") + kick << O::TimedOut;
        QTest::newRow("connection closes mid-answer")
            << QStringLiteral("sim") << int(SimServer::CloseMidPacket) << CommandOrigin::Player
            << QStringLiteral("Command error: ") + kick << O::ReadFailed;
        QTest::newRow("any answer counts")
            << QStringLiteral("sim")
            << int(SimServer::EmptyBeforeAuth | SimServer::UnknownTypeFirst)
            << CommandOrigin::Player
            << QStringLiteral("Command successfully: ") + kick + QStringLiteral(" @ Island")
            << O::Succeeded;
    }
    void everyOutcomeIsLoggedAndTheNextCommandGoesOn() {
        QFETCH(QString, port);
        QFETCH(int, fault);
        QFETCH(CommandOrigin, origin);
        QFETCH(QString, line);
        QFETCH(CommandSender::Outcome, outcome);
        Rig rig;
        if (port == QLatin1String("sim"))
            rig.sim(QStringLiteral("Island"))->setFaults(SimServer::Faults(fault));
        else if (port == QLatin1String("closed"))
            rig.add(QStringLiteral("Island"), closedPort());
        else if (port != QLatin1String("missing"))
            rig.add(QStringLiteral("Island"), port);
        SimServer *next = rig.sim(QStringLiteral("Next"));

        rig.sender.StartCommand(QStringLiteral("Island"), QStringLiteral("KickPlayer ") + kAnna,
                                origin);
        rig.sender.StartCommand(QStringLiteral("Next"), QStringLiteral("saveworld"),
                                CommandOrigin::Queue);
        QVERIFY(rig.waitOutcomes(2));
        QCOMPARE(rig.outcomes,
                 (QList<CommandSender::Outcome>{outcome, CommandSender::Outcome::Succeeded}));
        QCOMPARE(rig.messages,
                 QStringList({line, QStringLiteral("Command successfully: saveworld @ Next")}));
        QCOMPARE(next->commands(), QStringList{QStringLiteral("saveworld")});
    }

    void aKickNeverPushesOutAQueuedCommand() {
        SlowAnswers slow;
        Rig rig;
        SimServer *island = rig.sim(QStringLiteral("Island"));
        island->setFault(SimServer::DelayAnswer);
        island->setAnswerDelayMs(1000);
        rig.sender.StartCommand(QStringLiteral("Island"), QStringLiteral("saveworld"),
                                CommandOrigin::Queue);
        QVERIFY(waitUntil([island] { return island->commands().size() == 1; }, kWait));
        // The first exchange waits for its answer while the kick is given.
        QVERIFY(rig.sender.isBusy());
        rig.sender.KickOnServer(QStringLiteral("Island"), kAnna);
        QCOMPARE(rig.sender.waitingCount(), 1);
        QVERIFY(rig.waitOutcomes(2));
        QCOMPARE(rig.messages,
                 QStringList(
                     {QStringLiteral("Command successfully: saveworld @ Island"),
                      QStringLiteral("Command successfully: KickPlayer %1 @ Island").arg(kAnna)}));
        QCOMPARE(island->commands(),
                 QStringList({QStringLiteral("saveworld"), QStringLiteral("KickPlayer ") + kAnna}));
    }

    void dueEntriesAreSentOneAfterAnother() {
        TestClock clock;
        Rig rig;
        SimServer *island = rig.sim(QStringLiteral("Island"));
        // A slow answer: an exchange started before the previous one ended would cut it off.
        island->setFault(SimServer::DelayAnswer);
        island->setAnswerDelayMs(100);
        QList<int> connectionAtCommand;
        QObject::connect(island, &SimServer::commandReceived, [&](const QString &) {
            connectionAtCommand << island->connectionCount();
        });
        QVERIFY(ScriptSchedule::queueScript(
                    &rig.queue, QStringLiteral("Wipe"),
                    QStringLiteral("msg:Wipe now\ncmd:saveworld\ncmd:DestroyWildDinos"), kNow,
                    QStringLiteral("Island"))
                    .ok());
        rig.scheduler.start();
        QVERIFY(rig.waitOutcomes(3));
        QCOMPARE(island->commands(),
                 QStringList({QStringLiteral("Broadcast Wipe now"), QStringLiteral("saveworld"),
                              QStringLiteral("DestroyWildDinos")}));
        QCOMPARE(connectionAtCommand, (QList<int>{1, 2, 3}));
        QCOMPARE(packetTypes(island), (QList<qint32>{3, 2, 3, 2, 3, 2}));
        QCOMPARE(rig.messages,
                 QStringList({QStringLiteral("Command successfully: Broadcast Wipe now @ Island"),
                              QStringLiteral("Command successfully: saveworld @ Island"),
                              QStringLiteral("Command successfully: DestroyWildDinos @ Island")}));
        QTRY_COMPARE_WITH_TIMEOUT(rig.queue.count(), 0, kWait);
        QVERIFY(rig.scheduler.isOn());
    }

    void startedEntriesStayUntilTheirExchangeEnds() {
        SlowAnswers slow;
        TestClock clock;
        Rig rig;
        SimServer *island = rig.sim(QStringLiteral("Island"));
        island->setFault(SimServer::DelayAnswer);
        island->setAnswerDelayMs(1000);
        UserCommands(&rig.queue).queueSaveWorld(QStringLiteral("Island"));
        rig.scheduler.start();
        QVERIFY(waitUntil([island] { return island->commands().size() == 1; }, kWait));
        QTest::qWait(100); // several ticks while the answer is on its way
        QCOMPARE(rig.queue.count(), 1);
        QCOMPARE(rig.queue.entry(0).timeField, QStringLiteral("In progress.."));
        QVERIFY(rig.waitOutcomes(1));
        QTRY_COMPARE_WITH_TIMEOUT(rig.queue.count(), 0, kWait);
    }

    void entriesOfUnreachableServersAreLoggedNotSent_data() {
        QTest::addColumn<QString>("status"); // empty: the server is not in the list
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("line");
        QTest::newRow("timed out")
            << QStringLiteral("Timeout") << QStringLiteral("Server offline..")
            << QStringLiteral("ERROR: Command on Island - saveworld (Server offline)");
        QTest::newRow("bad login")
            << QStringLiteral("Bad login") << QStringLiteral("Server offline..")
            << QStringLiteral("ERROR: Command on Island - saveworld (Server offline)");
        QTest::newRow("not visited yet")
            << QStringLiteral("Queue") << QStringLiteral("Server offline..")
            << QStringLiteral("ERROR: Command on Island - saveworld (Server offline)");
        QTest::newRow("deleted") << QString() << QStringLiteral("Server deleted..")
                                 << QStringLiteral(
                                        "ERROR: Command on Island - saveworld (Server deleted)");
    }
    void entriesOfUnreachableServersAreLoggedNotSent() {
        QFETCH(QString, status);
        QFETCH(QString, shown);
        QFETCH(QString, line);
        TestClock clock;
        Rig rig;
        SimServer *other = rig.sim(QStringLiteral("Other"));
        SimServer *island = nullptr;
        if (!status.isEmpty())
            island = rig.sim(QStringLiteral("Island"), status);
        QSignalSpy changed(&rig.queue, &CommandQueue::entryChanged);
        UserCommands(&rig.queue).queueSaveWorld(QStringLiteral("Island"));
        UserCommands(&rig.queue).queueSaveWorld(QStringLiteral("Other"));
        rig.scheduler.start();
        QVERIFY(changed.wait(kWait));
        QCOMPARE(rig.queue.entry(0).timeField, shown);
        QVERIFY(rig.waitOutcomes(1));
        QCOMPARE(rig.messages,
                 QStringList({line, QStringLiteral("Command successfully: saveworld @ Other")}));
        QTRY_COMPARE_WITH_TIMEOUT(rig.queue.count(), 0, kWait);
        if (island)
            QCOMPARE(island->connectionCount(), 0);
        QCOMPARE(other->commands(), QStringList{QStringLiteral("saveworld")});
    }

    void futureEntriesWaitForTheirTime() {
        TestClock clock;
        Rig rig;
        SimServer *island = rig.sim(QStringLiteral("Island"));
        rig.queue.QueueAppend(QStringLiteral("Later"), QStringLiteral("cmd:saveworld"),
                              kNow.addSecs(60), QStringLiteral("Island"));
        rig.scheduler.start();
        QTest::qWait(150);
        QCOMPARE(island->connectionCount(), 0);
        clock.now = kNow.addSecs(59);
        QTest::qWait(100);
        QCOMPARE(island->connectionCount(), 0);
        clock.now = kNow.addSecs(60);
        QVERIFY(rig.waitOutcomes(1));
        QCOMPARE(island->commands(), QStringList{QStringLiteral("saveworld")});
    }

    void theSchedulerOutlivesABadPort() {
        TestClock clock;
        Rig rig;
        rig.add(QStringLiteral("Broken"), QStringLiteral("not a port"));
        SimServer *island = rig.sim(QStringLiteral("Island"));
        UserCommands(&rig.queue).queueSaveWorld(QStringLiteral("Broken"));
        rig.scheduler.start();
        QVERIFY(rig.waitOutcomes(1));
        QCOMPARE(rig.messages, QStringList{QStringLiteral("ERROR: Command on Broken - saveworld")});
        clock.now = kNow.addSecs(5);
        UserCommands(&rig.queue).queueStopServer(QStringLiteral("Island"));
        QVERIFY(rig.waitOutcomes(2));
        QCOMPARE(island->commands(), QStringList{QStringLiteral("doexit")});
        QVERIFY(rig.scheduler.isOn());
    }

    void suspendHoldsTheQueue() {
        TestClock clock;
        Rig rig;
        SimServer *island = rig.sim(QStringLiteral("Island"));
        rig.state.setSuspended(true);
        UserCommands(&rig.queue).queueSaveWorld(QStringLiteral("Island"));
        rig.sender.KickOnServer(QStringLiteral("Island"), kAnna);
        rig.scheduler.start();
        QTest::qWait(150);
        QCOMPARE(island->connectionCount(), 0);
        QCOMPARE(rig.queue.entry(0).timeField, QStringLiteral("01.06.2031 10:00:00"));
        rig.state.setSuspended(false);
        QVERIFY(rig.waitOutcomes(2));
        QCOMPARE(island->commands(),
                 QStringList({QStringLiteral("KickPlayer ") + kAnna, QStringLiteral("saveworld")}));
    }

    void exitLeavesATraceOfWhatWasNotSent() {
        Rig rig;
        SimServer *island = rig.sim(QStringLiteral("Island"));
        island->setFault(SimServer::NeverAnswer);
        rig.sender.StartCommand(QStringLiteral("Island"), QStringLiteral("saveworld"),
                                CommandOrigin::Queue);
        rig.sender.KickOnServer(QStringLiteral("Island"), kAnna);
        rig.sender.StartCommand(QStringLiteral("Island"), QStringLiteral("doexit"),
                                CommandOrigin::Queue);
        QVERIFY(waitUntil([island] { return island->commands().size() == 1; }, kWait));
        rig.sender.stop();
        QCOMPARE(rig.messages, QStringList({QStringLiteral("Command error: saveworld"),
                                            QStringLiteral("ERROR: Command KickPlayer ") + kAnna,
                                            QStringLiteral("ERROR: Command on Island - doexit")}));
        QCOMPARE(rig.outcomes.size(), 3);
        QVERIFY(!rig.sender.isOpen(1) && !rig.sender.isOpen(2) && !rig.sender.isOpen(3));
    }

    void consoleRunsTheQueueAcrossARestart() {
        TestClock clock;
        QTemporaryDir dir;
        SimServer island(QStringLiteral("Island"), QStringLiteral("pw"));
        QVERIFY(island.start());
        StringTable table = ServerListFile::emptyTable();
        table.appendRow(
            {QStringLiteral("Island"), island.host(), island.portText(), QStringLiteral("pw")});
        QVERIFY(SaveStringGrid(table, dir.filePath(QStringLiteral("server.dat"))));
        {
            Console console(dir.path());
            console.start();
            QVERIFY(console.scheduler()->isOn());
            console.queue()->QueueAppend(QStringLiteral("Nightly"), QStringLiteral("cmd:saveworld"),
                                         kNow.addSecs(3600), QStringLiteral("Island"));
            console.queue()->QueueAppend(QStringLiteral("Nightly"), QStringLiteral("msg:soon"),
                                         kNow.addSecs(10), QStringLiteral("Island"));
            // Written at exit even when no event-loop turn followed the change.
            console.shutDown();
        }
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("scripts/cmdlist.kvl"))));

        Console console(dir.path());
        console.start();
        // Due within 20 s of the start: dropped with its line.
        QCOMPARE(console.queue()->count(), 1);
        QCOMPARE(console.queue()->entry(0).command, QStringLiteral("cmd:saveworld"));
        QVERIFY(console.programLog()->lines().at(0).endsWith(QStringLiteral(
            "Delete scriptcommand: `Nightly´ on `01.06.2031 10:00:10´ (Time exceeded)")));
        QVERIFY(waitUntil([&console] { return console.servers()->entry(0).isOnline(); }, kWait));
        QTest::qWait(100);
        QCOMPARE(withoutPolls(island.commands()), QStringList());

        clock.now = kNow.addSecs(3600);
        QVERIFY(waitUntil([&island] { return !withoutPolls(island.commands()).isEmpty(); }, kWait));
        QCOMPARE(withoutPolls(island.commands()), QStringList{QStringLiteral("saveworld")});
        QVERIFY(waitUntil(
            [&console] {
                return console.programLog()->lines().at(0).endsWith(
                    QLatin1String("Command successfully: saveworld @ Island"));
            },
            kWait));
        QTRY_COMPARE_WITH_TIMEOUT(console.queue()->count(), 0, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(
            !QFile::exists(dir.filePath(QStringLiteral("scripts/cmdlist.kvl"))), kWait);
        console.shutDown();
    }

    void consoleRenamesQueuedCommands() {
        ConsoleFixture f;
        f.console->queue()->QueueAppend(QStringLiteral("S"), QStringLiteral("cmd:saveworld"),
                                        QDateTime::currentDateTime().addDays(1),
                                        QStringLiteral("Old"));
        emit f.console->serverRenamed(QStringLiteral("Old"), QStringLiteral("New"));
        QCOMPARE(f.console->queue()->entry(0).server, QStringLiteral("New"));
        f.console->shutDown();
    }
};

QTEST_GUILESS_MAIN(TestCommands)
#include "tst_commands.moc"
