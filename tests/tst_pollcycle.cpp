// The one-at-a-time poll cycle (a concurrency of one) against simulated game servers on
// loopback, with every interval shortened: visiting order, status changes and their log
// entries, players, the watchdog, deletions, holds and suspends. Overlapping visits have their
// own test.
#include "base/Intervals.h"
#include "monitor/PlayerTracker.h"
#include "monitor/PollCycle.h"
#include "notify/Notifier.h"
#include "rcon/RconChannel.h"
#include "servers/ServerListModel.h"
#include "servers/TableFile.h"

#include "ConsoleFixture.h"
#include "TestPorts.h"
#include "TestWait.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

#include <stdexcept>

namespace {

constexpr int kWait = 20000;

// A console with its program folder, its simulated servers and what the cycle reported.
struct Fixture : ConsoleFixture {
    QStringList visits;
    QStringList notifications;
    QStringList serversOnline;

    Fixture() {
        PollCycle *poll = console->pollCycle();
        QObject::connect(poll, &PollCycle::visitEnded,
                         [this](const QString &name) { visits << name; });
        const auto noted = [this](const QString &text) { notifications << text; };
        QObject::connect(poll, &PollCycle::notificationRaised, noted);
        QObject::connect(console->players(), &PlayerTracker::notificationRaised, noted);
        QObject::connect(poll, &PollCycle::serversOnlineChanged,
                         [this](const QString &text) { serversOnline << text; });
    }
    ~Fixture() { console->pollCycle()->stop(); }

    SimServer *sim(const QString &name, const QString &password = QStringLiteral("pw")) {
        SimServer *server = startSim(name, password);
        add(name, server->portText(), password);
        return server;
    }
    void add(const QString &name, const QString &port,
             const QString &password = QStringLiteral("pw")) {
        console->servers()->appendServer({name, QStringLiteral("127.0.0.1"), port, password});
    }

    PollCycle *poll() const { return console->pollCycle(); }
    bool waitVisits(int count) {
        return waitUntil([this, count] { return visits.size() >= count; }, kWait);
    }
    void start() { poll()->Startles(); }
};

} // namespace

class TestPollCycle : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Intervals &intervals = Intervals::instance();
        intervals.pollConcurrency = 1;
        intervals.visitStartFirstPassMs = 10;
        intervals.visitStartMs = 30;
        intervals.watchdogMs = 1200;
        intervals.resumeDelayMs = 300;
        intervals.pollConnectTimeoutMs = 1000;
        intervals.splitResponseWaitMs = 100;
        intervals.onlineTickerMs = 50;
    }

    void serversAreVisitedInListOrderWithoutEnd() {
        Fixture f;
        f.sim(QStringLiteral("A"));
        f.sim(QStringLiteral("B"));
        f.sim(QStringLiteral("C"));
        QSignalSpy firstPassEnded(f.state(), &ProgramState::firstPassEnded);
        f.start();
        QVERIFY(f.waitVisits(7));
        QCOMPARE(f.visits.mid(0, 7),
                 (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                              QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                              QStringLiteral("A")}));
        QCOMPARE(firstPassEnded.count(), 1);
        QVERIFY(!f.state()->isFirstPass());
        for (SimServer *sim : std::as_const(f.sims))
            QVERIFY(sim->commands().size() >= 2);
        QCOMPARE(f.sims.at(0)->commands().constFirst(), QStringLiteral("listplayers"));
    }

    void failedVisitIsLoggedOncePerChange_data() {
        QTest::addColumn<bool>("wrongPassword");
        QTest::addColumn<QString>("word");
        QTest::newRow("refused port") << false << QStringLiteral("Refused");
        QTest::newRow("wrong password") << true << QStringLiteral("Bad login");
    }
    void failedVisitIsLoggedOncePerChange() {
        QFETCH(bool, wrongPassword);
        QFETCH(QString, word);
        Fixture f;
        if (wrongPassword) {
            SimServer *bad = f.sim(QStringLiteral("A"), QStringLiteral("right"));
            f.servers()->updateServer(0, {QStringLiteral("A"), QStringLiteral("127.0.0.1"),
                                          bad->portText(), QStringLiteral("wrong")});
        } else {
            f.add(QStringLiteral("A"), closedPort());
        }
        SimServer *b = f.sim(QStringLiteral("B"));
        // A join on B between the two passes puts another line on top of the log, so a second
        // status entry for A would not be hidden by the duplicate rule.
        QObject::connect(f.state(), &ProgramState::firstPassEnded,
                         [b] { b->addPlayer(QStringLiteral("Carl")); });
        f.start();
        QVERIFY(f.waitVisits(6));
        const QString entry = QStringLiteral("Serverstatus (A):  ") + word;
        QCOMPARE(f.messages().count(entry), 1);
        QVERIFY(f.messages().filter(QStringLiteral(") joined @ `B´")).size() == 1);
        QCOMPARE(f.entry(QStringLiteral("A")).statusText(), word);
        QCOMPARE(f.entry(QStringLiteral("A")).playerCount, QStringLiteral("-"));
        QCOMPARE(f.entry(QStringLiteral("A")).icon(), IconIndex::ServerOffline);
        QVERIFY(!f.notifications.contains(entry)); // the change came in the first pass
    }

    void watchdogTimeoutIsLoggedOnceAndNextGoodVisitLogsOnline() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        SimServer *b = f.sim(QStringLiteral("B"));
        f.start();
        QVERIFY(f.waitVisits(2));
        // A's chat is open: a visit cut off by the watchdog closes it like any failed visit.
        f.servers()->setState(0, ServerState::ChatOnline);
        QSignalSpy chatClosed(f.poll(), &PollCycle::chatCloseRequested);
        a->setFault(SimServer::NeverAnswer);
        QVERIFY(f.waitVisits(3));
        QCOMPARE(f.visits.at(2), QStringLiteral("A"));
        QCOMPARE(chatClosed.count(), 1);
        QCOMPARE(chatClosed.at(0).at(0).toString(), QStringLiteral("A"));
        QCOMPARE(f.entry(QStringLiteral("A")).statusText(), QStringLiteral("Timeout"));
        QCOMPARE(f.entry(QStringLiteral("A")).playerCount, QStringLiteral("-"));
        QCOMPARE(f.entry(QStringLiteral("A")).icon(), IconIndex::ServerOffline);
        QCOMPARE(f.messages().filter(QStringLiteral("Timeout")),
                 QStringList{QStringLiteral("Serverstatus (A):  Timeout")});
        QCOMPARE(f.notifications, QStringList{QStringLiteral("Serverstatus (A):  Timeout")});
        QVERIFY(f.waitVisits(5)); // A's second cut-off finds "Timeout" already shown
        QCOMPARE(f.visits.at(4), QStringLiteral("A"));
        QCOMPARE(f.messages().filter(QStringLiteral("Timeout")).size(), 1);

        b->addPlayer(QStringLiteral("Carl")); // another entry on top of A's first "Online"
        a->setFault(SimServer::NeverAnswer, false);
        QVERIFY(f.waitVisits(7));
        QCOMPARE(f.entry(QStringLiteral("A")).statusText(), QStringLiteral("Online"));
        QCOMPARE(f.messages().count(QStringLiteral("Serverstatus (A):  Online")), 2);
        QCOMPARE(f.messages().constLast(), QStringLiteral("Serverstatus (A):  Online"));
        QVERIFY(f.notifications.contains(QStringLiteral("Serverstatus (A):  Online")));
    }

    void firstPassIsQuietThenJoinsAndDeparturesAreLogged() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        SimServer *b = f.sim(QStringLiteral("B"));
        const QString anna = a->addPlayer(QStringLiteral("Anna"));
        a->addPlayer(QStringLiteral("Bob, the Great"));
        b->addPlayer(QStringLiteral("Cid"));
        QSignalSpy counts(f.console->players(), &PlayerTracker::playerCountChanged);
        f.setOptions([](ProgramOptions &o) { o.notification = NotificationKind::PopupAndBeep; });
        QSignalSpy popups(f.console->notifier(), &Notifier::popupRequested);
        QSignalSpy beeps(f.console->notifier(), &Notifier::beepRequested);
        f.start();
        QVERIFY(f.waitVisits(2));
        QCOMPARE(popups.count(), 0);
        QCOMPARE(beeps.count(), 0);
        QCOMPARE(f.messages().filter(QStringLiteral(") playing @ `")).size(), 3);
        QVERIFY(f.messages().contains(QStringLiteral("Player: `Bob, the Great´ (") +
                                      a->players().at(1).steamId +
                                      QStringLiteral(") playing @ `A´")));
        QVERIFY(f.notifications.isEmpty());
        QCOMPARE(counts.count(), 0);
        QCOMPARE(f.entry(QStringLiteral("A")).playerCount, QStringLiteral("2"));

        const QString dora = a->addPlayer(QStringLiteral("Dora"));
        QVERIFY(f.waitVisits(4));
        QCOMPARE(f.messages().constLast(),
                 QStringLiteral("Player: `Dora´ (") + dora + QStringLiteral(") joined @ `A´"));
        QCOMPARE(f.notifications, QStringList{QStringLiteral("`Dora´ joined @ `A´")});
        QCOMPARE(counts.count(), 1);
        QCOMPARE(counts.at(0).at(0).toInt(), 3);
        QCOMPARE(counts.at(0).at(1).toInt(), 4);
        QCOMPARE(popups.count(), 1);
        QCOMPARE(popups.at(0).at(0).toString(), QStringLiteral("`Dora´ joined @ `A´"));
        QCOMPARE(beeps.count(), 1);
        QCOMPARE(beeps.at(0).at(0).toInt(), Notifier::kRiseHz);

        QVERIFY(a->removePlayer(anna));
        QVERIFY(f.waitVisits(6));
        static const QRegularExpression left(
            QStringLiteral("^Player: `Anna´ \\(\\d{17}\\) has left `A´ - Duration "
                           "\\{\\d\\d:\\d\\d:\\d\\d\\}$"));
        QVERIFY2(left.match(f.messages().constLast()).hasMatch(),
                 qPrintable(f.messages().constLast()));
        QCOMPARE(f.notifications.constLast(), QStringLiteral("`Anna´ has left `A´"));
        QCOMPARE(beeps.count(), 2);
        QCOMPARE(beeps.at(1).at(0).toInt(), Notifier::kFallHz);
        QCOMPARE(f.entry(QStringLiteral("A")).playerCount, QStringLiteral("2"));
        QCOMPARE(f.console->players()->recordCount(), 3);
    }

    void playerMovingFromAToBKeepsOneStay() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        SimServer *b = f.sim(QStringLiteral("B"));
        const QString anna = a->addPlayer(QStringLiteral("Anna"));
        bool moved = false;
        // Right after A's second visit she is on B, before B is visited again.
        QObject::connect(f.poll(), &PollCycle::visitEnded, [&, a, b](const QString &name) {
            if (!moved && name == QLatin1String("A") && !f.state()->isFirstPass()) {
                moved = true;
                a->removePlayer(anna);
                b->addPlayer(QStringLiteral("Anna"), anna);
            }
        });
        f.start();
        QVERIFY(f.waitVisits(3));
        const QString stamp = f.console->players()->record(0).joinStamp;
        QVERIFY(f.waitVisits(7));
        QVERIFY(moved);
        QCOMPARE(f.console->players()->recordCount(), 1);
        QCOMPARE(f.console->players()->record(0).server, QStringLiteral("B"));
        QCOMPARE(f.console->players()->record(0).joinStamp, stamp);
        QCOMPARE(f.messages().filter(QStringLiteral("Anna")).size(), 1); // "playing @ `A´" only
        QVERIFY(f.notifications.isEmpty());

        b->removePlayer(anna);
        QVERIFY(f.waitVisits(9));
        QVERIFY(f.messages().constLast().startsWith(QStringLiteral("Player: `Anna´ (") + anna +
                                                    QStringLiteral(") has left `B´ - Duration {")));
    }

    void serverBackOnlineListsItsPlayersAsPlaying() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        const QString anna = a->addPlayer(QStringLiteral("Anna"));
        f.start();
        QVERIFY(f.waitVisits(1));
        a->setFault(SimServer::RefuseLogin);
        QVERIFY(f.waitVisits(2));
        QCOMPARE(f.entry(QStringLiteral("A")).statusText(), QStringLiteral("Bad login"));
        QVERIFY(f.messages().constLast().startsWith(QStringLiteral("Player: `Anna´ (") + anna +
                                                    QStringLiteral(") has left `A´")));
        QCOMPARE(f.console->players()->recordCount(), 0);

        a->setFault(SimServer::RefuseLogin, false);
        QVERIFY(f.waitVisits(3));
        const QStringList tail = f.messages().mid(f.messages().size() - 2);
        QCOMPARE(tail, (QStringList{QStringLiteral("Serverstatus (A):  Online"),
                                    QStringLiteral("Player: `Anna´ (") + anna +
                                        QStringLiteral(") playing @ `A´")}));
        QCOMPARE(f.notifications, (QStringList{QStringLiteral("Serverstatus (A):  Bad login"),
                                               QStringLiteral("`Anna´ has left `A´"),
                                               QStringLiteral("Serverstatus (A):  Online")}));
    }

    void answerThatSaysNothingChangesNothing_data() {
        QTest::addColumn<int>("fault");
        QTest::newRow("keep-alive") << int(SimServer::KeepAlive);
        QTest::newRow("empty answer") << int(SimServer::EmptyAnswer);
    }

    void answerThatSaysNothingChangesNothing() {
        QFETCH(int, fault);
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        a->addPlayer(QStringLiteral("Anna"));
        f.start();
        // Past the first pass a departure would be logged and notified.
        QVERIFY(f.waitVisits(2));
        QVERIFY(!f.state()->isFirstPass());
        const QStringList before = f.messages();
        QSignalSpy rebuilt(f.console->players(), &PlayerTracker::playerListRebuilt);
        a->setFaults(SimServer::Faults(fault));
        QVERIFY(f.waitVisits(5));
        QCOMPARE(f.entry(QStringLiteral("A")).statusText(), QStringLiteral("Online"));
        QCOMPARE(f.entry(QStringLiteral("A")).playerCount, QStringLiteral("1"));
        QCOMPARE(f.console->players()->recordCount(), 1);
        // The same player list again: nobody left and nobody joined in between.
        a->setFaults(SimServer::NoFault);
        QVERIFY(f.waitVisits(7));
        QCOMPARE(f.messages(), before);
        QCOMPARE(rebuilt.count(), 0);
        QVERIFY(f.notifications.isEmpty());
    }

    void serversOnlineCountsChatToo() {
        Fixture f;
        f.sim(QStringLiteral("A"));
        f.sim(QStringLiteral("B"));
        f.add(QStringLiteral("C"), closedPort());
        f.add(QStringLiteral("D"), closedPort());
        f.add(QStringLiteral("E"), closedPort());
        f.start();
        QVERIFY(f.waitVisits(5));
        // The chat of B opens: its status reads "Chat/Online" and stays so through visits.
        f.servers()->setState(1, ServerState::ChatOnline);
        QVERIFY(f.waitVisits(10));
        QCOMPARE(f.entry(QStringLiteral("B")).statusText(), QStringLiteral("Chat/Online"));
        QCOMPARE(f.serversOnline.constLast(), QStringLiteral("2/5 Server online"));
    }

    void failedVisitClosesTheChatOfItsServer() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        QStringList closed;
        QObject::connect(f.poll(), &PollCycle::chatCloseRequested,
                         [&closed](const QString &name) { closed << name; });
        f.start();
        QVERIFY(f.waitVisits(1));
        f.servers()->setState(0, ServerState::ChatOnline);
        a->setFault(SimServer::RefuseLogin);
        QVERIFY(f.waitVisits(2));
        QCOMPARE(closed, QStringList{QStringLiteral("A")});
        QCOMPARE(f.entry(QStringLiteral("A")).statusText(), QStringLiteral("Bad login"));
    }

    void splitAnswerKeepsAllPlayers() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        for (int i = 0; i < 150; ++i)
            a->addPlayer(QStringLiteral("Survivor number %1").arg(i));
        a->setFault(SimServer::SplitAnswer);
        a->setSplitSize(RconChannel::SplitThreshold);
        a->setSplitGapMs(20);
        f.start();
        QVERIFY(f.waitVisits(1));
        QCOMPARE(f.entry(QStringLiteral("A")).playerCount, QStringLiteral("150"));
        QCOMPARE(f.console->players()->recordCount(), 150);
        QVERIFY(f.waitVisits(2));
        QCOMPARE(f.console->players()->recordCount(), 150);
        QVERIFY(f.messages().filter(QStringLiteral("has left")).isEmpty());
    }

    void watchdogEndsAVisitWhileADeletionWaits() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        SimServer *b = f.sim(QStringLiteral("B"));
        b->addPlayer(QStringLiteral("Bob"));
        f.start();
        QVERIFY(f.waitVisits(2));
        QVERIFY(f.servers()->serversave());
        QFile log(f.dir.filePath(QStringLiteral("logs/B.log")));
        QVERIFY(log.open(QIODevice::WriteOnly));
        log.close();

        a->setFault(SimServer::NeverAnswer);
        QObject::connect(a, &SimServer::commandReceived, a, [&f] {
            if (f.servers()->deletePending() || f.servers()->rowOfName(QStringLiteral("B")) < 0)
                return;
            f.servers()->setState(1, ServerState::Erase);
            f.servers()->setDeletePending(true);
        });
        QVERIFY(f.waitVisits(3));
        QCOMPARE(f.visits.at(2), QStringLiteral("A"));
        QVERIFY(!f.servers()->deletePending());
        QCOMPARE(f.servers()->serverCount(), 1);
        QCOMPARE(f.entry(QStringLiteral("A")).statusText(),
                 QStringLiteral("Online")); // left as it was
        QCOMPARE(f.messages().constLast(), QStringLiteral("Server deleted:  `B´  (127.0.0.1:") +
                                               b->portText() + QLatin1Char(')'));
        QVERIFY(f.messages().filter(QStringLiteral("has left")).isEmpty());
        QCOMPARE(f.console->players()->recordCount(), 0);
        QVERIFY(!log.exists());
        StringTable saved;
        QVERIFY(LoadStringGrid(saved, f.servers()->fileName()));
        QCOMPARE(saved.rowCount(), 2);
        QCOMPARE(saved.cell(0, 1), QStringLiteral("A"));

        a->setFault(SimServer::NeverAnswer, false);
        QVERIFY(f.waitVisits(5)); // the cycle goes on with the one server left
        QCOMPARE(f.visits.at(4), QStringLiteral("A"));
    }

    void failureWhileProcessingNeverStopsTheCycle() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        f.sim(QStringLiteral("B"));
        a->addPlayer(QStringLiteral("Anna"));
        bool thrown = false;
        // A later part of the console fails while it handles a join line.
        QObject::connect(f.console->players(), &PlayerTracker::message, [&thrown] {
            if (!thrown) {
                thrown = true;
                throw std::runtime_error("handler failed");
            }
        });
        QTest::ignoreMessage(QtWarningMsg, "handler failed (Timer3)");
        f.start();
        QVERIFY(f.waitVisits(4));
        QVERIFY(thrown);
        QCOMPARE(f.visits.mid(0, 4), (QStringList{QStringLiteral("A"), QStringLiteral("B"),
                                                  QStringLiteral("A"), QStringLiteral("B")}));
        QCOMPARE(f.entry(QStringLiteral("B")).statusText(), QStringLiteral("Online"));
    }

    void heldResultWaitsForTheRelease() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        QObject::connect(a, &SimServer::commandReceived, f.poll(), [&f] {
            if (!f.poll()->isHeld() && f.visits.isEmpty())
                f.poll()->hold();
        });
        f.start();
        QTRY_VERIFY_WITH_TIMEOUT(f.poll()->isHeld() && !f.poll()->isVisitRunning(), kWait);
        QTest::qWait(200);
        QVERIFY(f.visits.isEmpty());
        QCOMPARE(f.entry(QStringLiteral("A")).statusText(), QStringLiteral("Queue"));
        QCOMPARE(a->commands().size(), 1); // no visit starts while held

        f.poll()->release();
        QCOMPARE(f.visits, QStringList{QStringLiteral("A")});
        QCOMPARE(f.entry(QStringLiteral("A")).statusText(), QStringLiteral("Online"));
        QVERIFY(f.waitVisits(2));
    }

    void restartDropsAHeldResult() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        f.poll()->hold();
        f.poll()->Startles();
        QTest::qWait(100);
        QCOMPARE(a->commands().size(), 0);
        f.poll()->release();
        QTRY_VERIFY_WITH_TIMEOUT(!f.visits.isEmpty(), kWait);
        // On a loaded machine the next visit may already have gone out before the check.
        QVERIFY(a->commands().size() >= 1);

        // A result held across a restart belongs to a visit that no longer exists.
        QObject::connect(
            a, &SimServer::commandReceived, f.poll(), [&f] { f.poll()->hold(); },
            Qt::SingleShotConnection);
        QTRY_VERIFY_WITH_TIMEOUT(f.poll()->isHeld() && !f.poll()->isVisitRunning(), kWait);
        a->setFault(SimServer::RefuseLogin);
        const int visits = int(f.visits.size());
        f.poll()->Startles();
        f.poll()->release();
        QCOMPARE(f.visits.size(), visits);
        QVERIFY(f.waitVisits(visits + 1));
        QCOMPARE(f.entry(QStringLiteral("A")).statusText(), QStringLiteral("Bad login"));
    }

    void suspendStopsAndResumeStartsAtTheFirstServer() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        SimServer *b = f.sim(QStringLiteral("B"));
        f.start();
        QVERIFY(f.waitVisits(3));
        f.poll()->suspend();
        const int visits = int(f.visits.size());
        const qsizetype commands = a->commands().size() + b->commands().size();
        QTest::qWait(300);
        QCOMPARE(f.visits.size(), visits);
        QCOMPARE(a->commands().size() + b->commands().size(), commands);

        QElapsedTimer sinceResume;
        sinceResume.start();
        f.poll()->resume();
        QVERIFY(f.waitVisits(visits + 1));
        QVERIFY(sinceResume.elapsed() >= Intervals::instance().resumeDelayMs);
        QCOMPARE(f.visits.at(visits), QStringLiteral("A"));
    }

    void emptyListVisitsNothingUntilAServerIsAdded() {
        Fixture f;
        f.start();
        QTest::qWait(100);
        QVERIFY(!f.poll()->isWaitingForVisit());
        QVERIFY(f.visits.isEmpty());
        SimServer *a = f.sim(QStringLiteral("A"));
        f.start();
        QVERIFY(f.waitVisits(1));
        QCOMPARE(a->commands().size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestPollCycle)
#include "tst_pollcycle.moc"
