// The chat session against simulated game servers on loopback, with short intervals: opening
// and closing, the request loop, sending, failures that close the chat, the wait for the
// background watch, the player list and the server log file.
#include "base/Intervals.h"
#include "chat/BackgroundWatch.h"
#include "chat/ChatLog.h"
#include "chat/ChatSession.h"
#include "chat/ServerLogFile.h"
#include "monitor/PlayerTracker.h"
#include "rcon/RconChannel.h"
#include "servers/ServerListModel.h"

#include "ConsoleFixture.h"
#include "TestPorts.h"
#include "TestStates.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QtTest>

#include <limits>
#include <memory>

namespace {

constexpr int kWait = 10000;

// A console with its program folder, simulated servers marked online, and the chat session.
struct Fixture : ConsoleFixture {
    ChatSession *session = nullptr;

    Fixture() { session = console->chat(); }
    ~Fixture() { session->chataus(); }

    SimServer *sim(const QString &name, const QString &status = QStringLiteral("Online")) {
        SimServer *server = startSim(name, QStringLiteral("pw"));
        add(name, server->portText(), status);
        return server;
    }
    void add(const QString &name, const QString &port,
             const QString &status = QStringLiteral("Online")) {
        const int row = servers()->appendServer(
            {name, QStringLiteral("127.0.0.1"), port, QStringLiteral("pw")});
        servers()->setState(row, stateFromText(status));
    }

    int count(const SimServer *server, const QString &command) const {
        return int(server->commands().count(command));
    }
};

QStringList texts(const ChatLog *log) {
    QStringList out;
    for (const ChatLine &line : log->lines())
        out << line.text();
    return out;
}

} // namespace

class TestChatSession : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Intervals &intervals = Intervals::instance();
        intervals.chatRerequestMs = 40;
        intervals.chatConnectTimeoutMs = 1000;
        intervals.chatBusyWaitMs = 600;
        intervals.backgroundStepMs = 50;
        intervals.backgroundStepTimeoutMs = 5000;
        intervals.splitResponseWaitMs = 100;
    }

    void openingMarksTheServerAndShowsItsLines() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        // The file of earlier sessions comes first, then the server's new lines.
        QVERIFY(
            ServerLogFile(f.logPath(QStringLiteral("A")))
                .save({ChatLine(QStringLiteral("[170105-090807]"), QStringLiteral("old line"))}));
        a->appendGameLog(QStringLiteral("AdminCmd: saveworld (PlayerName: Admin)"));
        a->appendGameLog(QStringLiteral("Bob (Rex): hello there"));
        QSignalSpy opened(f.session, &ChatSession::chatOpened);

        f.session->Chat1Click(QStringLiteral("A"));

        QCOMPARE(opened.count(), 1);
        QCOMPARE(f.session->chatLabel(), QStringLiteral("A"));
        QVERIFY(f.session->isMenuChecked());
        QCOMPARE(f.entry(QStringLiteral("A")).statusText(), QStringLiteral("Chat/Online"));
        QCOMPARE(f.entry(QStringLiteral("A")).icon(), IconIndex::ChatOpen);
        QTRY_COMPARE_WITH_TIMEOUT(f.session->chatLog()->lineCount(), 3, kWait);
        QCOMPARE(texts(f.session->chatLog()),
                 QStringList({QStringLiteral("old line"),
                              QStringLiteral("AdminCmd: saveworld (PlayerName: Admin)"),
                              QStringLiteral("Bob (Rex): hello there")}));
        // The request follows every answer, so later lines arrive too, and reach the file.
        QTRY_VERIFY_WITH_TIMEOUT(f.count(a, QStringLiteral("GetGameLog")) >= 3, kWait);
        a->appendGameLog(QStringLiteral("Anna (Raptor): later"));
        QTRY_COMPARE_WITH_TIMEOUT(f.session->chatLog()->lineCount(), 4, kWait);
        QTRY_COMPARE_WITH_TIMEOUT(ServerLogFile(f.logPath(QStringLiteral("A")))
                                      .parse([&] {
                                          QFile file(f.logPath(QStringLiteral("A")));
                                          file.open(QIODevice::ReadOnly);
                                          return file.readAll();
                                      }())
                                      .size(),
                                  4, kWait);

        f.session->chataus();
        QCOMPARE(f.session->chatLabel(), QStringLiteral("Channel offline"));
        QVERIFY(!f.session->isMenuChecked());
        QVERIFY(f.session->chatLog()->isEmpty());
        QCOMPARE(f.entry(QStringLiteral("A")).statusText(), QStringLiteral("Online"));
        QCOMPARE(f.entry(QStringLiteral("A")).icon(), IconIndex::ServerOnline);
        // Closing keeps the file.
        QVERIFY(QFile::exists(f.logPath(QStringLiteral("A"))));
    }

    void chatModeAsksGetchat() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        f.setOptions([](ProgramOptions &o) { o.logSource = LogSource::Chat; });
        a->appendChat(QStringLiteral("Bob (Rex): hi"));
        f.session->Chat1Click(QStringLiteral("A"));
        QTRY_COMPARE_WITH_TIMEOUT(f.session->chatLog()->lineCount(), 1, kWait);
        QCOMPARE(f.session->chatLog()->lines().first().text(), QStringLiteral("Bob (Rex): hi"));
        QVERIFY(f.count(a, QStringLiteral("Getchat")) >= 1);
        QCOMPARE(f.count(a, QStringLiteral("GetGameLog")), 0);
    }

    void chooseChatTogglesAndNeedsOnline_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("opens");
        QTest::newRow("online") << QStringLiteral("Online") << true;
        QTest::newRow("timeout") << QStringLiteral("Timeout") << false;
        QTest::newRow("queued") << QStringLiteral("Queue") << false;
        QTest::newRow("erase") << QStringLiteral("Erase") << false;
    }
    void chooseChatTogglesAndNeedsOnline() {
        QFETCH(QString, status);
        QFETCH(bool, opens);
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"), status);
        f.session->Chat1Click(QStringLiteral("A"));
        // The menu item is ticked either way.
        QVERIFY(f.session->isMenuChecked());
        QCOMPARE(f.session->isOpen(), opens);
        if (!opens) {
            QCOMPARE(f.entry(QStringLiteral("A")).statusText(), status);
            QTest::qWait(200);
            QCOMPARE(a->connectionCount(), 0);
            return;
        }
        // The same server again closes it.
        f.session->Chat1Click(QStringLiteral("A"));
        QVERIFY(!f.session->isOpen());
        QVERIFY(!f.session->isMenuChecked());
        QCOMPARE(f.entry(QStringLiteral("A")).statusText(), QStringLiteral("Online"));
        // No server selected: the chat closes (and stays closed).
        f.session->Chat1Click(QStringLiteral("A"));
        QVERIFY(f.session->isOpen());
        f.session->Chat1Click(QString());
        QVERIFY(!f.session->isOpen());
    }

    void openingAnotherServerMovesTheChat() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        SimServer *b = f.sim(QStringLiteral("B"));
        QVERIFY(ServerLogFile(f.logPath(QStringLiteral("B")))
                    .save({ChatLine(QStringLiteral("[170105-090807]"), QStringLiteral("b file"))}));
        a->appendGameLog(QStringLiteral("line of A"));
        b->appendGameLog(QStringLiteral("line of B"));
        f.session->Chat1Click(QStringLiteral("A"));
        QTRY_COMPARE_WITH_TIMEOUT(f.session->chatLog()->lineCount(), 1, kWait);

        f.session->Chat1Click(QStringLiteral("B"));
        QCOMPARE(f.entry(QStringLiteral("A")).statusText(), QStringLiteral("Online"));
        QCOMPARE(f.entry(QStringLiteral("A")).icon(), IconIndex::ServerOnline);
        QCOMPARE(f.entry(QStringLiteral("B")).statusText(), QStringLiteral("Chat/Online"));
        QCOMPARE(f.entry(QStringLiteral("B")).icon(), IconIndex::ChatOpen);
        QCOMPARE(f.session->chatLabel(), QStringLiteral("B"));
        QTRY_COMPARE_WITH_TIMEOUT(
            texts(f.session->chatLog()),
            QStringList({QStringLiteral("b file"), QStringLiteral("line of B")}), kWait);
        // A's channel is gone: its new lines are not fetched any more.
        const int asked = f.count(a, QStringLiteral("GetGameLog"));
        QTest::qWait(300);
        QCOMPARE(f.count(a, QStringLiteral("GetGameLog")), asked);
    }

    void chatLinesAndBroadcastsAreSent_data() {
        QTest::addColumn<bool>("broadcast");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("command"); // empty: nothing is sent
        QTest::newRow("chat") << false << QStringLiteral("hello")
                              << QStringLiteral("ServerChat (Admin): hello");
        QTest::newRow("line breaks removed")
            << false << QStringLiteral("a\r\nb") << QStringLiteral("ServerChat (Admin): ab");
        QTest::newRow("only line breaks") << false << QStringLiteral("\r\n") << QString();
        QTest::newRow("empty") << false << QString() << QString();
        QTest::newRow("not ascii")
            << false << QStringLiteral(u"grüß") << QStringLiteral("ServerChat (Admin): gr??");
        QTest::newRow("broadcast")
            << true << QStringLiteral("restart\n soon") << QStringLiteral("Broadcast restart soon");
    }
    void chatLinesAndBroadcastsAreSent() {
        QFETCH(bool, broadcast);
        QFETCH(QString, input);
        QFETCH(QString, command);
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        f.session->Chat1Click(QStringLiteral("A"));
        QTRY_VERIFY_WITH_TIMEOUT(f.count(a, QStringLiteral("GetGameLog")) >= 1, kWait);
        QSignalSpy scrolled(f.session, &ChatSession::scrollToEndRequested);

        const bool sent = broadcast ? f.session->sendBroadcast(input)
                                    : f.session->sendChat(input, QStringLiteral("Admin"));
        QCOMPARE(sent, !command.isEmpty());
        // Only a chat line scrolls the view to its end.
        QCOMPARE(scrolled.count(), !broadcast && sent ? 1 : 0);
        if (command.isEmpty()) {
            QTest::qWait(200);
            QCOMPARE(a->commands().filter(QStringLiteral("ServerChat")).size(), 0);
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(a->commands().contains(command), kWait);
        // The request loop goes on after the answer to the chat line.
        const int asked = f.count(a, QStringLiteral("GetGameLog"));
        QTRY_VERIFY_WITH_TIMEOUT(f.count(a, QStringLiteral("GetGameLog")) > asked, kWait);
        QVERIFY(f.session->isOpen());
    }

    void oneRequestInFlightAndOneRequestCycle() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        // Answers slower than the re-request interval: where cycles could multiply.
        a->setFault(SimServer::DelayAnswer);
        a->setAnswerDelayMs(120);
        int answered = 0;
        int overlaps = 0;
        QElapsedTimer clock;
        clock.start();
        qint64 lastRequestAnswered = -1;
        qint64 shortestGap = std::numeric_limits<qint64>::max();
        QObject::connect(f.session->channel(), &RconChannel::completed,
                         [&](const QString &, const QString &command) {
                             ++answered;
                             if (command == QLatin1String("GetGameLog"))
                                 lastRequestAnswered = clock.elapsed();
                         });
        QObject::connect(a, &SimServer::commandReceived, [&](const QString &command) {
            // Command k reaches the server only after the answer to command k - 1.
            if (a->commands().size() - 1 > answered)
                ++overlaps;
            // A second cycle shows as a request that follows the last one's answer at once.
            if (command == QLatin1String("GetGameLog") && lastRequestAnswered >= 0)
                shortestGap = std::min(shortestGap, clock.elapsed() - lastRequestAnswered);
        });
        f.session->Chat1Click(QStringLiteral("A"));
        QTRY_VERIFY_WITH_TIMEOUT(f.count(a, QStringLiteral("GetGameLog")) >= 1, kWait);

        // Typed while the request waits for its answer: each goes out after an answer.
        for (int i = 0; i < 5; ++i)
            QVERIFY(f.session->sendChat(QStringLiteral("line %1").arg(i), QStringLiteral("Admin")));
        QTRY_VERIFY_WITH_TIMEOUT(
            a->commands().contains(QStringLiteral("ServerChat (Admin): line 4")), kWait);
        const int before = f.count(a, QStringLiteral("GetGameLog"));
        QTRY_VERIFY_WITH_TIMEOUT(f.count(a, QStringLiteral("GetGameLog")) >= before + 5, kWait);

        QCOMPARE(overlaps, 0);
        const QStringList chatLines = a->commands().filter(QStringLiteral("ServerChat"));
        QCOMPARE(chatLines.size(), 5);
        QCOMPARE(chatLines.last(), QStringLiteral("ServerChat (Admin): line 4"));
        // Timers may fire a little early; a second cycle would give gaps near zero.
        QVERIFY2(shortestGap >= Intervals::instance().chatRerequestMs * 8 / 10,
                 qPrintable(QStringLiteral("%1 ms").arg(shortestGap)));
    }

    void keepAliveClosesTheChatWithItsEntry() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        a->setFault(SimServer::KeepAlive);
        QSignalSpy closed(f.session, &ChatSession::chatClosed);
        f.session->Chat1Click(QStringLiteral("A"));
        QTRY_VERIFY_WITH_TIMEOUT(!f.session->isOpen(), kWait);
        QVERIFY(f.messages().contains(QStringLiteral("Chat timeout: A")));
        QCOMPARE(f.entry(QStringLiteral("A")).statusText(), QStringLiteral("Online"));
        QCOMPARE(f.session->chatLabel(), QStringLiteral("Channel offline"));
        QVERIFY(!QFile::exists(f.logPath(QStringLiteral("A"))));
        QVERIFY(!QFile::exists(f.logPath(QStringLiteral("Channel offline"))));
    }

    void failuresCloseTheChatVisibly_data() {
        QTest::addColumn<int>("fault");
        QTest::addColumn<bool>("closedPortInstead");
        QTest::addColumn<QString>("entry"); // the start of the program-log line
        QTest::newRow("refused login") << int(SimServer::RefuseLogin) << false
                                       << QStringLiteral("Chat closed (A):  Bad login");
        QTest::newRow("closed mid-answer")
            << int(SimServer::CloseMidPacket) << false << QStringLiteral("Chat closed (A):  ");
        QTest::newRow("garbage") << int(SimServer::Garbage) << false
                                 << QStringLiteral("Chat closed (A):  ");
        QTest::newRow("connection refused")
            << int(SimServer::NoFault) << true << QStringLiteral("Chat closed (A):  ");
    }
    void failuresCloseTheChatVisibly() {
        QFETCH(int, fault);
        QFETCH(bool, closedPortInstead);
        QFETCH(QString, entry);
        Fixture f;
        if (closedPortInstead) {
            f.add(QStringLiteral("A"), closedPort());
        } else {
            SimServer *a = f.sim(QStringLiteral("A"));
            a->setFaults(SimServer::Faults(fault));
            a->appendGameLog(QStringLiteral("a line that never arrives"));
        }
        QSignalSpy failed(f.session, &ChatSession::chatFailed);
        f.session->Chat1Click(QStringLiteral("A"));
        QVERIFY(f.session->isOpen());
        QTRY_VERIFY_WITH_TIMEOUT(!f.session->isOpen(), kWait);
        QCOMPARE(failed.count(), 1);
        QVERIFY2(failed.first().first().toString().startsWith(entry),
                 qPrintable(failed.first().first().toString()));
        QVERIFY(f.messages().contains(failed.first().first().toString()));
        QCOMPARE(f.entry(QStringLiteral("A")).statusText(), QStringLiteral("Online"));
        QCOMPARE(f.entry(QStringLiteral("A")).icon(), IconIndex::ServerOnline);
        QVERIFY(!QFile::exists(f.logPath(QStringLiteral("Channel offline"))));
    }

    void aFailedSendClosesTheChat() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        f.session->Chat1Click(QStringLiteral("A"));
        QTRY_VERIFY_WITH_TIMEOUT(f.count(a, QStringLiteral("GetGameLog")) >= 1, kWait);
        QSignalSpy failed(f.session, &ChatSession::chatFailed);
        // The connection is gone underneath the chat when the operator sends.
        f.session->channel()->closechannel();
        QVERIFY(f.session->sendChat(QStringLiteral("lost"), QStringLiteral("Admin")));
        QTRY_VERIFY_WITH_TIMEOUT(!f.session->isOpen(), kWait);
        QCOMPARE(failed.count(), 1);
        QVERIFY(f.messages().contains(failed.first().first().toString()));
        QVERIFY(!a->commands().contains(QStringLiteral("ServerChat (Admin): lost")));
    }

    void pollFailureClosesOnlyThatServersChat() {
        Fixture f;
        f.sim(QStringLiteral("A"));
        f.sim(QStringLiteral("B"));
        f.session->Chat1Click(QStringLiteral("A"));
        f.session->serverFailed(QStringLiteral("B"));
        QVERIFY(f.session->isOpen());
        f.session->serverFailed(QStringLiteral("A"));
        QVERIFY(!f.session->isOpen());
        QCOMPARE(f.entry(QStringLiteral("A")).statusText(), QStringLiteral("Online"));
    }

    void playersOfTheChatServerAreListed() {
        Fixture f;
        f.sim(QStringLiteral("A"));
        PlayerTracker *players = f.console->players();
        const auto visit = [players](const QString &server, const QStringList &lines) {
            players->record(server, lines, true, true);
            players->detectLeaves(server, lines, true);
            players->checkSignature(true);
        };
        const QString anna = QStringLiteral("1. Anna, 76561190000000003");
        visit(QStringLiteral("A"), {QStringLiteral("0. Zed, 76561190000000001"), anna});
        visit(QStringLiteral("B"), {QStringLiteral("0. Bob, 76561190000000002")});
        visit(QStringLiteral("a"), {QStringLiteral("0. Case, 76561190000000004")});
        QSignalSpy changed(f.session, &ChatSession::chatPlayersChanged);
        f.session->playertochat(QStringLiteral("A"));
        QVERIFY(f.session->chatPlayers().isEmpty()); // no chat open

        f.session->Chat1Click(QStringLiteral("A"));
        QCOMPARE(f.session->chatPlayers(),
                 QStringList({QStringLiteral("Zed"), QStringLiteral("Anna")}));
        // The player list is rebuilt after a visit; the chat's list follows it.
        visit(QStringLiteral("A"), {anna});
        QCOMPARE(f.session->chatPlayers(), QStringList({QStringLiteral("Anna")}));
        f.session->chataus();
        QVERIFY(f.session->chatPlayers().isEmpty());
        QVERIFY(changed.last().first().toStringList().isEmpty());
    }

    void openingWaitsWhileTheWatchIsOnTheServer() {
        Fixture f;
        SimServer *b = f.sim(QStringLiteral("B"));
        b->setFault(SimServer::DelayAnswer);
        b->setAnswerDelayMs(300);
        f.setOptions([](ProgramOptions &o) { o.backgroundChat = true; });
        BackgroundWatch &watch = *f.console->backgroundWatch();
        watch.start();
        QTRY_VERIFY_WITH_TIMEOUT(watch.isWatching(QStringLiteral("B")), kWait);

        QSignalSpy waiting(f.session, &ChatSession::waitingChanged);
        f.session->Chat1Click(QStringLiteral("B"));
        QVERIFY(f.session->isWaiting());
        QVERIFY(!f.session->isOpen());
        QCOMPARE(waiting.count(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(f.session->isOpen(), kWait);
        QCOMPARE(waiting.count(), 2);
        QCOMPARE(waiting.last().first().toBool(), false);
        QVERIFY(!watch.isWatching(QStringLiteral("B")));
        QCOMPARE(f.entry(QStringLiteral("B")).statusText(), QStringLiteral("Chat/Online"));
        // From now on the watch leaves the chat's server alone.
        const int connections = b->connectionCount();
        QTest::qWait(400);
        QCOMPARE(b->connectionCount(), connections);
        watch.stop();
    }

    void theWaitIsBounded() {
        Fixture f;
        SimServer *b = f.sim(QStringLiteral("B"));
        b->setFault(SimServer::NeverAnswer);
        f.setOptions([](ProgramOptions &o) { o.backgroundChat = true; });
        BackgroundWatch &watch = *f.console->backgroundWatch();
        watch.start();
        QTRY_VERIFY_WITH_TIMEOUT(watch.isWatching(QStringLiteral("B")), kWait);
        f.session->Chat1Click(QStringLiteral("B"));
        QVERIFY(f.session->isWaiting());
        // The watch's own time-out is far away; the chat takes the server over first.
        QTRY_VERIFY_WITH_TIMEOUT(f.session->isOpen(), kWait);
        QVERIFY(!f.session->isWaiting());
        QVERIFY(!watch.isWatching(QStringLiteral("B")));
        watch.stop();
    }

    // Steps on other servers never hold the opening up, and a wait for the chosen server ends
    // with that server's step while the others are still under way.
    void openingWaitsOnlyForAStepOnItsOwnServer() {
        Intervals &intervals = Intervals::instance();
        const Intervals saved = intervals;
        const auto restore = qScopeGuard([saved] { Intervals::instance() = saved; });
        intervals.chatBusyWaitMs = 600000; // the wait ends with B's step, not by its bound
        intervals.backgroundStepTimeoutMs = 600000;
        Fixture f;
        f.sim(QStringLiteral("A"))->setFault(SimServer::NeverAnswer);
        SimServer *b = f.sim(QStringLiteral("B"));
        b->setFault(SimServer::SlowLogs);
        b->setAnswerDelayMs(300);
        f.sim(QStringLiteral("C"));
        f.setOptions([](ProgramOptions &o) { o.backgroundChat = true; });
        BackgroundWatch &watch = *f.console->backgroundWatch();
        QSignalSpy wanted(f.session, &ChatSession::serverWanted);
        watch.start();
        QTRY_VERIFY_WITH_TIMEOUT(watch.isWatching(QStringLiteral("A")) &&
                                     watch.isWatching(QStringLiteral("B")) &&
                                     !watch.isWatching(QStringLiteral("C")),
                                 kWait);
        f.session->Chat1Click(QStringLiteral("C"));
        QVERIFY(!f.session->isWaiting());
        QCOMPARE(f.session->chatLabel(), QStringLiteral("C"));
        f.session->chataus();

        QTRY_VERIFY_WITH_TIMEOUT(watch.isWatching(QStringLiteral("B")), kWait);
        bool aUnderWay = false;
        bool bUnderWay = true;
        QObject::connect(f.session, &ChatSession::chatOpened, f.session, [&] {
            aUnderWay = watch.isWatching(QStringLiteral("A"));
            bUnderWay = watch.isWatching(QStringLiteral("B"));
        });
        f.session->Chat1Click(QStringLiteral("B"));
        QVERIFY(f.session->isWaiting());
        QTRY_VERIFY_WITH_TIMEOUT(f.session->isOpen(), kWait);
        QCOMPARE(f.session->chatLabel(), QStringLiteral("B"));
        QVERIFY(aUnderWay);
        QVERIFY(!bUnderWay);
        QCOMPARE(wanted.count(), 0);
        watch.stop();
    }

    void closingWhileWaitingCancelsTheOpening() {
        Fixture f;
        SimServer *b = f.sim(QStringLiteral("B"));
        b->setFault(SimServer::DelayAnswer);
        b->setAnswerDelayMs(300);
        f.setOptions([](ProgramOptions &o) { o.backgroundChat = true; });
        BackgroundWatch &watch = *f.console->backgroundWatch();
        watch.start();
        QTRY_VERIFY_WITH_TIMEOUT(watch.isWatching(QStringLiteral("B")), kWait);
        f.session->Chat1Click(QStringLiteral("B"));
        QVERIFY(f.session->isWaiting());
        f.session->chataus();
        QVERIFY(!f.session->isWaiting());
        QTRY_VERIFY_WITH_TIMEOUT(!watch.isWatching(QStringLiteral("B")), kWait);
        QTest::qWait(100);
        QVERIFY(!f.session->isOpen());
        QCOMPARE(f.entry(QStringLiteral("B")).statusText(), QStringLiteral("Online"));
        watch.stop();
    }

    void deleteLogfileEmptiesTheChatAndKeepsTheChannel() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        a->appendGameLog(QStringLiteral("first"));
        f.session->Chat1Click(QStringLiteral("A"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(f.logPath(QStringLiteral("A"))), kWait);

        QVERIFY(f.session->deleteLogfile());
        QVERIFY(!QFile::exists(f.logPath(QStringLiteral("A"))));
        QVERIFY(f.session->chatLog()->isEmpty());
        QVERIFY(f.session->isOpen());
        a->appendGameLog(QStringLiteral("second"));
        QTRY_COMPARE_WITH_TIMEOUT(texts(f.session->chatLog()),
                                  QStringList{QStringLiteral("second")}, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(f.logPath(QStringLiteral("A"))), kWait);

        f.session->chataus();
        QVERIFY(!f.session->deleteLogfile());
        QVERIFY(QFile::exists(f.logPath(QStringLiteral("A"))));
    }

    void aFailedLogWriteIsToldOnceUntilAWriteSucceeds() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        f.session->Chat1Click(QStringLiteral("A"));
        // A folder where the file belongs: every write fails, even as root.
        const QString path = f.logPath(QStringLiteral("A"));
        QVERIFY(QDir().mkpath(path));
        // Counted as they are told: the program log itself drops a repeat of its newest line.
        QSignalSpy told(f.session, &ChatSession::message);
        const auto reports = [&told] {
            int count = 0;
            for (const QList<QVariant> &args : told)
                count +=
                    args.at(0).toString().startsWith(QLatin1String("Failed to save logs/A.log: "));
            return count;
        };
        for (int block = 0; block < 3; ++block) {
            a->appendGameLog(QStringLiteral("line %1").arg(block));
            QTRY_COMPARE_WITH_TIMEOUT(f.session->chatLog()->lineCount(), block + 1, kWait);
        }
        QCOMPARE(reports(), 1);

        QVERIFY(QDir(path).removeRecursively());
        a->appendGameLog(QStringLiteral("written"));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(path).isFile(), kWait);
        QCOMPARE(reports(), 1);

        // After a write that worked, the next failure is news again.
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkpath(path));
        a->appendGameLog(QStringLiteral("lost"));
        QTRY_COMPARE_WITH_TIMEOUT(reports(), 2, kWait);
        QVERIFY(f.messages().constLast().startsWith(QLatin1String("Failed to save logs/A.log: ")));
    }

    void aNameThatLeavesTheLogsFolderGetsNoFile() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("../escape"));
        a->appendGameLog(QStringLiteral("a line"));
        f.session->Chat1Click(QStringLiteral("../escape"));
        QTRY_COMPARE_WITH_TIMEOUT(f.session->chatLog()->lineCount(), 1, kWait);
        QTest::qWait(100);
        QVERIFY(!QFile::exists(f.dir.filePath(QStringLiteral("escape.log"))));
        QVERIFY(QDir(f.dir.filePath(QStringLiteral("logs")))
                    .entryList({QStringLiteral("*escape*")}, QDir::Files)
                    .isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestChatSession)
#include "tst_chatsession.moc"
