// Commands in one lane per server, against simulated game servers on loopback: a server that
// never answers holds back only its own commands, a deleted entry that has not gone out never
// does, a late answer is still the command's outcome, every outcome keeps its line and its
// answer, an entry due during the first pass waits for its server, a long run of finished
// entries leaves at once, and a console killed with an entry in flight reports it at the next
// start (the console runs in a child process, this program started with --run-until-killed).
#include "base/Clock.h"
#include "base/Intervals.h"
#include "base/ProgramLog.h"
#include "base/ProgramState.h"
#include "commands/CommandLogLines.h"
#include "commands/CommandQueue.h"
#include "commands/CommandSender.h"
#include "commands/QueueFile.h"
#include "commands/QueueScheduler.h"
#include "commands/QueueTime.h"
#include "commands/UserCommands.h"
#include "console/Console.h"
#include "servers/ServerListFile.h"
#include "servers/ServerListModel.h"
#include "servers/TableFile.h"

#include "SimServer.h"
#include "TestPorts.h"
#include "TestStates.h"
#include "TestWait.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

constexpr int kWait = 10000;
const char kChildOption[] = "--run-until-killed";
const QDateTime kNow(QDate(2031, 6, 1), QTime(10, 0, 0));
const QString kNowText = QStringLiteral("01.06.2031 10:00:00");

struct TestClock {
    QDateTime now = kNow;
    TestClock() {
        Clock::setSource([this] { return now; });
    }
    ~TestClock() { Clock::reset(); }
    TestClock(const TestClock &) = delete;
    TestClock &operator=(const TestClock &) = delete;
};

// The answer time-out while it lives.
struct AnswerTimeout {
    int previous = Intervals::instance().commandAnswerTimeoutMs;
    explicit AnswerTimeout(int ms) { Intervals::instance().commandAnswerTimeoutMs = ms; }
    ~AnswerTimeout() { Intervals::instance().commandAnswerTimeoutMs = previous; }
    AnswerTimeout(const AnswerTimeout &) = delete;
    AnswerTimeout &operator=(const AnswerTimeout &) = delete;
};

// The sender, the queue and its scheduler over a server list of their own, their lines in a
// program log, and no poll cycle.
struct Rig {
    QTemporaryDir dir;
    ProgramState state;
    ServerListModel servers{dir.filePath(QStringLiteral("server.dat"))};
    CommandSender sender{&servers, &state};
    CommandQueue queue{dir.path()};
    QueueScheduler scheduler{&queue, &servers, &sender, &state};
    ProgramLog log{dir.filePath(QStringLiteral("logs"))};
    QStringList messages;
    QHash<quint64, CommandOutcome> outcomes;
    std::vector<std::unique_ptr<SimServer>> sims;

    Rig() {
        const auto take = [this](const QString &text) {
            messages << text;
            log.message(text);
        };
        QObject::connect(&sender, &CommandSender::message, take);
        QObject::connect(&queue, &CommandQueue::message, take);
        QObject::connect(&scheduler, &QueueScheduler::message, take);
        QObject::connect(
            &sender, &CommandSender::finished,
            [this](quint64 ticket, CommandOutcome outcome) { outcomes.insert(ticket, outcome); });
        state.setFirstPass(false);
        queue.LoadQueue();
    }
    ~Rig() {
        scheduler.stop();
        sender.stop();
    }

    SimServer *sim(const QString &name, SimServer::Faults faults = SimServer::NoFault) {
        sims.push_back(std::make_unique<SimServer>(name, QStringLiteral("pw")));
        SimServer *server = sims.back().get();
        server->setFaults(faults);
        server->start();
        add(name, server->portText(), ServerState::Online);
        return server;
    }
    void add(const QString &name, const QString &port, ServerState status) {
        const int row =
            servers.appendServer({name, QStringLiteral("127.0.0.1"), port, QStringLiteral("pw")});
        servers.setState(row, status);
    }
    void queueNow(const QString &server, const QString &command) {
        queue.QueueAppend(QStringLiteral("Test"), command, Clock::now(), server);
    }
    QStringList timeFields() const {
        QStringList fields;
        for (const QueueEntry &entry : queue.entries())
            fields << entry.timeField;
        return fields;
    }
    // Program-log texts without their stamps, newest first.
    QStringList logTexts() const {
        QStringList texts;
        for (const QString &line : log.lines())
            texts << line.mid(16);
        return texts;
    }
};

QStringList adminCommands(const SimServer *sim) {
    QStringList out;
    for (const QString &command : sim->commands()) {
        if (!SimServer::isQuery(command))
            out << command;
    }
    return out;
}

// The child: a console in the given folder that queues a saveworld and a doexit for Alpha as
// soon as Alpha shows online, then runs until it is killed.
int runUntilKilled(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    Intervals &intervals = Intervals::instance();
    intervals.visitStartFirstPassMs = 10;
    intervals.visitStartMs = 30;
    intervals.schedulerMs = 50;
    Console console(QString::fromLocal8Bit(argv[2]));
    console.start();
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &app, [&] {
        if (!console.servers()->entry(0).isOnline())
            return;
        watch.stop();
        UserCommands commands(console.queue());
        commands.queueSaveWorld(QStringLiteral("Alpha"));
        commands.queueStopServer(QStringLiteral("Alpha"));
    });
    watch.start(10);
    return app.exec();
}

} // namespace

class TestCommandLanes : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Intervals &intervals = Intervals::instance();
        intervals.schedulerMs = 20;
        intervals.commandConnectTimeoutMs = 2000;
        intervals.commandAnswerTimeoutMs = 30000;
        intervals.visitStartFirstPassMs = 10;
        intervals.visitStartMs = 30;
        intervals.watchdogMs = 1500;
    }

    void aServerThatNeverAnswersHoldsBackOnlyItsOwnCommands() {
        TestClock clock;
        Rig rig;
        SimServer *hung = rig.sim(QStringLiteral("Hung"), SimServer::SilentCommands);
        SimServer *healthy = rig.sim(QStringLiteral("Healthy"));
        rig.queueNow(QStringLiteral("Hung"), QStringLiteral("cmd:saveworld"));
        rig.queueNow(QStringLiteral("Hung"), QStringLiteral("cmd:doexit"));
        rig.queueNow(QStringLiteral("Healthy"), QStringLiteral("cmd:saveworld"));
        const quint64 kick =
            rig.sender.KickOnServer(QStringLiteral("Hung"), QStringLiteral("76561198000000004"));
        rig.scheduler.start();
        // Well within the answer time-out that the hung server's saveworld waits for.
        QVERIFY(waitUntil([&] { return !adminCommands(healthy).isEmpty(); }, kWait));
        rig.sender.KickOnServer(QStringLiteral("Healthy"), QStringLiteral("76561198000000005"));
        QVERIFY(waitUntil([&] { return adminCommands(healthy).size() == 2; }, kWait));
        QTRY_COMPARE_WITH_TIMEOUT(rig.queue.count(), 2, kWait);

        // The kick was given first, so it went first; saveworld waits behind it, doexit behind
        // that, each with its start time.
        QCOMPARE(adminCommands(hung), QStringList{QStringLiteral("KickPlayer 76561198000000004")});
        QVERIFY(rig.sender.isStarted(kick));
        QCOMPARE(rig.timeFields(), QStringList({kNowText, kNowText}));
        QCOMPARE(adminCommands(healthy),
                 QStringList({QStringLiteral("saveworld"),
                              QStringLiteral("KickPlayer 76561198000000005")}));
        QVERIFY(
            rig.logTexts().contains(QStringLiteral("Command successfully: saveworld @ Healthy")));
    }

    void aDeletedEntryThatWasNotSentIsNeverSent_data() {
        QTest::addColumn<QString>("action");
        QTest::newRow("Delete") << QStringLiteral("one");
        QTest::newRow("Delete all from this server") << QStringLiteral("server");
        QTest::newRow("Delete all") << QStringLiteral("all");
    }
    void aDeletedEntryThatWasNotSentIsNeverSent() {
        QFETCH(QString, action);
        TestClock clock;
        Rig rig;
        SimServer *island = rig.sim(QStringLiteral("Island"), SimServer::SlowCommands);
        island->setAnswerDelayMs(300);
        rig.queueNow(QStringLiteral("Island"), QStringLiteral("cmd:saveworld"));
        rig.queueNow(QStringLiteral("Island"), QStringLiteral("cmd:doexit"));
        rig.scheduler.start();
        QVERIFY(waitUntil([&] { return !adminCommands(island).isEmpty(); }, kWait));
        QCOMPARE(rig.timeFields(), QStringList({QStringLiteral("In progress.."), kNowText}));

        if (action == QLatin1String("one"))
            rig.queue.removeEntry(1);
        else if (action == QLatin1String("server"))
            rig.queue.removeServerEntries(QStringLiteral("Island"));
        else
            rig.queue.removeAll();
        // The saveworld had gone out: it runs to its end and is logged.
        QVERIFY(waitUntil([&] { return rig.outcomes.size() == 1; }, kWait));
        QTest::qWait(200); // ticks in which the doexit would have been handed on
        QCOMPARE(adminCommands(island), QStringList{QStringLiteral("saveworld")});
        QCOMPARE(rig.messages.constFirst(),
                 QStringLiteral("Command successfully: saveworld @ Island"));
        QVERIFY(rig.sender.isLaneFree(QStringLiteral("Island")));
        QCOMPARE(rig.queue.count(), 0);
    }

    void anEntryDeletedRightAfterItWasHandedOnIsNeverSent() {
        TestClock clock;
        Rig rig;
        SimServer *island = rig.sim(QStringLiteral("Island"));
        rig.queueNow(QStringLiteral("Island"), QStringLiteral("cmd:doexit"));
        rig.scheduler.start();
        rig.scheduler.Timer11Timer();
        QVERIFY(rig.queue.entry(0).ticket != 0);
        QCOMPARE(rig.queue.entry(0).timeField, kNowText); // its exchange has not started
        rig.queue.removeEntry(0);
        QTest::qWait(200);
        QCOMPARE(island->connectionCount(), 0);
        QVERIFY(rig.sender.isLaneFree(QStringLiteral("Island")));
        QVERIFY(rig.outcomes.isEmpty());
    }

    void aLateAnswerIsStillTheOutcome() {
        AnswerTimeout timeout(500);
        Rig rig;
        SimServer *island = rig.sim(QStringLiteral("Island"), SimServer::SlowCommands);
        island->setAnswerDelayMs(1500);
        QStringList sentBeforeLateAnswer;
        QStringList lateAnswers;
        QObject::connect(&rig.sender, &CommandSender::answeredLate,
                         [&](quint64, const QString &answer) {
                             if (lateAnswers.isEmpty())
                                 sentBeforeLateAnswer = adminCommands(island);
                             lateAnswers << answer;
                         });
        const quint64 save = rig.sender.StartCommand(
            QStringLiteral("Island"), QStringLiteral("saveworld"), CommandOrigin::Queue);
        rig.sender.StartCommand(QStringLiteral("Island"), QStringLiteral("doexit"),
                                CommandOrigin::Queue);
        QVERIFY(waitUntil([&] { return lateAnswers.size() == 2; }, kWait));
        QCOMPARE(rig.outcomes.value(save), CommandOutcome::Unanswered);
        // The lane went on after the time-out; the late answer came in beside it.
        QCOMPARE(sentBeforeLateAnswer,
                 QStringList({QStringLiteral("saveworld"), QStringLiteral("doexit")}));
        QCOMPARE(lateAnswers,
                 QStringList({QStringLiteral("World Saved"), QStringLiteral("Exiting...")}));
        QCOMPARE(rig.messages,
                 QStringList({QStringLiteral("Command sent, no answer within 500 ms: saveworld @ "
                                             "Island"),
                              QStringLiteral("Command sent, no answer within 500 ms: doexit @ "
                                             "Island"),
                              QStringLiteral("Command successfully: saveworld @ Island"),
                              QStringLiteral("Command answer (Island):  World Saved"),
                              QStringLiteral("Command successfully: doexit @ Island"),
                              QStringLiteral("Command answer (Island):  Exiting...")}));
        QCOMPARE(rig.sender.lateCount(), 0);
    }

    void anAnswerThatNeverComesIsGivenUpWithoutAnotherLine() {
        AnswerTimeout timeout(300);
        const int previousLate = Intervals::instance().commandLateAnswerMs;
        Intervals::instance().commandLateAnswerMs = 300;
        Rig rig;
        rig.sim(QStringLiteral("Island"), SimServer::SilentCommands);
        rig.sender.StartCommand(QStringLiteral("Island"), QStringLiteral("saveworld"),
                                CommandOrigin::Queue);
        QVERIFY(waitUntil([&] { return rig.sender.lateCount() == 1; }, kWait));
        QVERIFY(waitUntil([&] { return rig.sender.lateCount() == 0; }, kWait));
        Intervals::instance().commandLateAnswerMs = previousLate;
        QCOMPARE(rig.messages, QStringList{QStringLiteral(
                                   "Command sent, no answer within 300 ms: saveworld @ Island")});
    }

    void answerLines_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("line"); // null: no line
        QTest::newRow("one line") << QStringLiteral("World Saved")
                                  << QStringLiteral("Command answer (Beta):  World Saved");
        QTest::newRow("padding of a real server")
            << QStringLiteral("World Saved \n ")
            << QStringLiteral("Command answer (Beta):  World Saved");
        QTest::newRow("several lines, CR LF")
            << QStringLiteral("\r\n0. Anna, 76561198000000001\r\n1. Bert, 76561198000000002\r\n")
            << QStringLiteral("Command answer (Beta):  0. Anna, 76561198000000001 1. Bert, "
                              "76561198000000002");
        QTest::newRow("no-output answer")
            << QStringLiteral("Server received, But no response!! ") << QString();
        QTest::newRow("no-output answer, other case, line end")
            << QStringLiteral("SERVER RECEIVED, BUT NO RESPONSE!!\r\n") << QString();
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("blanks only") << QStringLiteral(" \n \n") << QString();
        QTest::newRow("500 characters stay")
            << QString(500, QLatin1Char('x'))
            << QStringLiteral("Command answer (Beta):  ") + QString(500, QLatin1Char('x'));
        QTest::newRow("501 are cut") << QString(501, QLatin1Char('x'))
                                     << QStringLiteral("Command answer (Beta):  ") +
                                            QString(499, QLatin1Char('x')) + QChar(0x2026);
        QTest::newRow("cut across lines")
            << QString(300, QLatin1Char('a')) + QLatin1Char('\n') + QString(300, QLatin1Char('b'))
            << QStringLiteral("Command answer (Beta):  ") + QString(300, QLatin1Char('a')) +
                   QLatin1Char(' ') + QString(198, QLatin1Char('b')) + QChar(0x2026);
    }
    void answerLines() {
        QFETCH(QString, answer);
        QFETCH(QString, line);
        const QString made = CommandLogLines::answer(QStringLiteral("Beta"), answer);
        QCOMPARE(made, line);
        QCOMPARE(made.isNull(), line.isNull());
    }

    void serversWhoseNamesContainEachOtherEachKeepTheirLines() {
        TestClock clock;
        Rig rig;
        // Alpha answers last, so its line comes right after Alpha2's.
        rig.sim(QStringLiteral("Alpha"), SimServer::SlowCommands)->setAnswerDelayMs(300);
        rig.sim(QStringLiteral("Alpha2"));
        rig.queueNow(QStringLiteral("Alpha"), QStringLiteral("cmd:saveworld"));
        rig.queueNow(QStringLiteral("Alpha2"), QStringLiteral("cmd:saveworld"));
        rig.scheduler.start();
        QVERIFY(waitUntil([&] { return rig.outcomes.size() == 2; }, kWait));
        QCOMPARE(rig.logTexts(),
                 QStringList({QStringLiteral("Command answer (Alpha):  World Saved"),
                              QStringLiteral("Command successfully: saveworld @ Alpha"),
                              QStringLiteral("Command answer (Alpha2):  World Saved"),
                              QStringLiteral("Command successfully: saveworld @ Alpha2")}));
    }

    void threeThousandFinishedEntriesDoNotHoldBackALaterOne() {
        TestClock clock;
        Rig rig;
        rig.add(QStringLiteral("Down"), closedPort(), ServerState::Timeout);
        SimServer *island = rig.sim(QStringLiteral("Island"));
        QVector<QueueEntry> entries;
        for (int i = 0; i < 3000; ++i)
            entries << QueueEntry(QStringLiteral("Burst"), QStringLiteral("cmd:saveworld"),
                                  kNowText, QStringLiteral("Down"));
        rig.queue.appendEntries(entries);
        rig.queue.QueueAppend(QStringLiteral("Later"), QStringLiteral("cmd:doexit"),
                              kNow.addSecs(60), QStringLiteral("Island"));
        QSignalSpy removed(&rig.queue, &CommandQueue::entriesRemoved);
        rig.scheduler.start();
        QTRY_COMPARE_WITH_TIMEOUT(rig.queue.count(), 1, kWait);
        QCOMPARE(removed.count(), 1); // in one step
        clock.now = kNow.addSecs(60);
        QVERIFY(waitUntil([&] { return !adminCommands(island).isEmpty(); }, kWait));
        QCOMPARE(adminCommands(island), QStringList{QStringLiteral("doexit")});
    }

    void scatteredFinishedEntriesLeaveWithoutTakingBackAWaitingOne() {
        TestClock clock;
        Rig rig;
        rig.add(QStringLiteral("Down"), closedPort(), ServerState::Timeout);
        SimServer *island = rig.sim(QStringLiteral("Island"));
        for (int i = 0; i < 100; ++i) {
            rig.queueNow(QStringLiteral("Down"), QStringLiteral("cmd:saveworld"));
            rig.queue.QueueAppend(QStringLiteral("Later"), QStringLiteral("cmd:saveworld"),
                                  kNow.addDays(1), QStringLiteral("Island"));
        }
        rig.queueNow(QStringLiteral("Island"), QStringLiteral("cmd:doexit"));
        rig.scheduler.start();
        // Two ticks in one turn: Island's doexit is handed on, and has not started, when the
        // 100 separate finished entries leave.
        rig.scheduler.Timer11Timer();
        rig.scheduler.Timer11Timer();
        QCOMPARE(rig.queue.count(), 101);
        QVERIFY(waitUntil([&] { return !adminCommands(island).isEmpty(); }, kWait));
        QCOMPARE(adminCommands(island), QStringList{QStringLiteral("doexit")});
    }

    // The console against two hung servers and a healthy one listed after them: the visits of
    // the hung ones take the watchdog's time each, so the healthy one's status is "Queue" for a
    // while after start.
    void anEntryDueDuringTheFirstPassWaitsForItsServer() {
        QTemporaryDir dir;
        SimServer hung1(QStringLiteral("Hung1"), QStringLiteral("pw"));
        SimServer hung2(QStringLiteral("Hung2"), QStringLiteral("pw"));
        SimServer target(QStringLiteral("Target"), QStringLiteral("pw"));
        hung1.setFault(SimServer::NeverAnswer);
        hung2.setFault(SimServer::NeverAnswer);
        StringTable table = ServerListFile::emptyTable();
        for (SimServer *sim : {&hung1, &hung2, &target}) {
            QVERIFY(sim->start());
            table.appendRow({sim->name(), sim->host(), sim->portText(), QStringLiteral("pw")});
        }
        QVERIFY(SaveStringGrid(table, dir.filePath(QStringLiteral("server.dat"))));
        Console console(dir.path());
        console.start();
        UserCommands(console.queue()).queueSaveWorld(QStringLiteral("Target"));
        UserCommands(console.queue()).queueSaveWorld(QStringLiteral("Hung1"));
        QCOMPARE(console.servers()->entry(2).state, ServerState::Queue);

        QVERIFY(waitUntil([&] { return !adminCommands(&target).isEmpty(); }, kWait));
        QCOMPARE(adminCommands(&target), QStringList{QStringLiteral("saveworld")});
        // Hung1's turned out to be offline: dropped by the usual rule, with its line.
        QTRY_COMPARE_WITH_TIMEOUT(console.queue()->count(), 0, kWait);
        QVERIFY(adminCommands(&hung1).isEmpty());
        QStringList texts;
        for (const QString &line : console.programLog()->lines())
            texts << line.mid(16);
        QVERIFY(
            texts.contains(QStringLiteral("ERROR: Command on Hung1 - saveworld (Server offline)")));
        QVERIFY(!texts.contains(
            QStringLiteral("ERROR: Command on Target - saveworld (Server offline)")));
        console.shutDown();
    }

    void anExitReportsTheEntryInFlightOnceAndKeepsTheOneBehindIt() {
        TestClock clock;
        QTemporaryDir dir;
        SimServer alpha(QStringLiteral("Alpha"), QStringLiteral("pw"));
        alpha.setFault(SimServer::SilentCommands);
        QVERIFY(alpha.start());
        StringTable table = ServerListFile::emptyTable();
        table.appendRow(
            {QStringLiteral("Alpha"), alpha.host(), alpha.portText(), QStringLiteral("pw")});
        QVERIFY(SaveStringGrid(table, dir.filePath(QStringLiteral("server.dat"))));
        const QString inFlight = QStringLiteral(
            "ERROR: Command on Alpha - saveworld (not confirmed before the program ended)");
        // The lines since the console's start marker.
        const auto texts = [](const Console &console) {
            QStringList out;
            for (const QString &line : console.programLog()->lines()) {
                if (line.contains(QLatin1String("Program start")))
                    break;
                out << line.mid(16);
            }
            return out;
        };
        {
            Console console(dir.path());
            console.start();
            UserCommands(console.queue()).queueSaveWorld(QStringLiteral("Alpha"));
            UserCommands(console.queue()).queueStopServer(QStringLiteral("Alpha"));
            QVERIFY(waitUntil([&] { return !adminCommands(&alpha).isEmpty(); }, kWait));
            console.shutDown();
            QCOMPARE(texts(console).count(inFlight), 1);
            QCOMPARE(console.queue()->count(), 1);
            QCOMPARE(console.queue()->entry(0).timeField, kNowText);
        }
        clock.now = kNow.addSecs(60);
        Console console(dir.path());
        console.start();
        QCOMPARE(texts(console).count(inFlight), 0);
        QCOMPARE(texts(console).constFirst(),
                 QStringLiteral("Delete scriptcommand: `User command´ on `") + kNowText +
                     QStringLiteral("´ (Time exceeded)"));
        console.shutDown();
        QCOMPARE(adminCommands(&alpha), QStringList{QStringLiteral("saveworld")});
    }

    void aKillWithAnEntryInFlightIsReportedAtTheNextStart() {
        QTemporaryDir dir;
        SimServer alpha(QStringLiteral("Alpha"), QStringLiteral("pw"));
        alpha.setFault(SimServer::SilentCommands);
        QVERIFY(alpha.start());
        StringTable table = ServerListFile::emptyTable();
        table.appendRow(
            {QStringLiteral("Alpha"), alpha.host(), alpha.portText(), QStringLiteral("pw")});
        QVERIFY(SaveStringGrid(table, dir.filePath(QStringLiteral("server.dat"))));

        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QLatin1String(kChildOption), dir.path()});
        QVERIFY(child.waitForStarted());
        const QString file = dir.filePath(QStringLiteral("scripts/cmdlist.kvl"));
        QVector<QueueEntry> stored;
        const bool settled = waitUntil(
            [&] {
                QFile in(file);
                if (adminCommands(&alpha).isEmpty() || !in.open(QIODevice::ReadOnly))
                    return false;
                stored = QueueFile::read(in.readAll()).entries;
                return stored.size() == 2 &&
                       stored.at(0).timeField == QStringLiteral("In progress..");
            },
            kWait);
        child.kill(); // SIGKILL
        child.waitForFinished();
        QVERIFY(settled);
        // The doexit waiting behind the saveworld kept its start time in the file.
        QCOMPARE(stored.at(0).command, QStringLiteral("cmd:saveworld"));
        QCOMPARE(stored.at(1).command, QStringLiteral("cmd:doexit"));
        const QString waitingTime = stored.at(1).timeField;
        QVERIFY(QueueTime::parse(waitingTime) != 0);
        QCOMPARE(adminCommands(&alpha), QStringList{QStringLiteral("saveworld")});

        Console console(dir.path());
        console.start();
        QStringList texts;
        for (const QString &line : console.programLog()->lines())
            texts << line.mid(16);
        QCOMPARE(texts.mid(0, 3),
                 QStringList({QStringLiteral("Delete scriptcommand: `User command´ on `") +
                                  waitingTime + QStringLiteral("´ (Time exceeded)"),
                              QStringLiteral("ERROR: Command on Alpha - saveworld (not confirmed "
                                             "before the program ended)"),
                              QStringLiteral("Delete scriptcommand: `User command´ on `In "
                                             "progress..´ (Time syntax error)")}));
        QCOMPARE(console.queue()->count(), 0);
        console.shutDown();
        QVERIFY(adminCommands(&alpha).size() == 1);
    }
};

int main(int argc, char **argv) {
    if (argc == 3 && qstrcmp(argv[1], kChildOption) == 0)
        return runUntilKilled(argc, argv);
    QCoreApplication app(argc, argv);
    TestCommandLanes test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_commandlanes.moc"
