// The background chat watch against simulated game servers on loopback, with short intervals:
// the order of its steps, which servers it leaves alone, the files it writes, the status panel
// texts, that it always goes on after a server fails it, and that slow or silent servers hold up
// only their own steps: steps of different servers overlap up to the bound, never two on one
// server.
#include "base/Clock.h"
#include "base/Intervals.h"
#include "chat/BackgroundWatch.h"
#include "chat/ChatLog.h"
#include "chat/ServerLogFile.h"
#include "servers/ServerListModel.h"

#include "ConsoleFixture.h"
#include "TestPorts.h"
#include "TestStates.h"
#include "TestWait.h"

#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSet>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

constexpr int kWait = 10000;

struct Fixture : ConsoleFixture {
    BackgroundWatch *watch = nullptr;
    QStringList steps;   // the server of every step that ended, in order
    QStringList started; // the server of every step that started, in order
    QStringList events;  // "+name" for a start, "-name" for an end
    QSet<QString> underWay;
    int mostUnderWay = 0;
    QStringList startedTwice; // servers whose step started while one was under way there

    Fixture() {
        setOptions([](ProgramOptions &o) { o.backgroundChat = true; });
        watch = console->backgroundWatch();
        QObject::connect(watch, &BackgroundWatch::stepStarted, [this](const QString &name) {
            started << name;
            events << QLatin1Char('+') + name;
            if (underWay.contains(name))
                startedTwice << name;
            underWay.insert(name);
            mostUnderWay = std::max(mostUnderWay, int(underWay.size()));
        });
        QObject::connect(watch, &BackgroundWatch::stepEnded, [this](const QString &name) {
            steps << name;
            events << QLatin1Char('-') + name;
            underWay.remove(name);
        });
    }
    ~Fixture() { watch->stop(); }

    SimServer *sim(const QString &name, const QString &status = QStringLiteral("Online")) {
        SimServer *server = startSim(name, QStringLiteral("pw"));
        add(name, server->portText(), status);
        return server;
    }
    void add(const QString &name, const QString &port,
             const QString &status = QStringLiteral("Online")) {
        const int row = console->servers()->appendServer(
            {name, QStringLiteral("127.0.0.1"), port, QStringLiteral("pw")});
        console->servers()->setState(row, stateFromText(status));
    }
    QStringList fileTexts(const QString &name) const {
        QFile file(logPath(name));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList texts;
        for (const ChatLine &line : ServerLogFile::parse(file.readAll()))
            texts << line.text();
        return texts;
    }
    bool waitSteps(int count) {
        return waitUntil([this, count] { return steps.size() >= count; }, kWait);
    }
    // Until every server named has ended `count` steps.
    bool waitEachEnded(const QStringList &names, int count, int timeoutMs = kWait) {
        return waitUntil(
            [this, names, count] {
                return std::all_of(names.cbegin(), names.cend(), [this, count](const QString &n) {
                    return steps.count(n) >= count;
                });
            },
            timeoutMs);
    }
};

QStringList names(const QString &prefix, const QList<int> &numbers) {
    QStringList list;
    for (int number : numbers)
        list << prefix + QString::number(number);
    return list;
}

} // namespace

class TestBackgroundWatch : public QObject {
    Q_OBJECT

    Intervals m_intervals;

private slots:
    void initTestCase() {
        Intervals &intervals = Intervals::instance();
        intervals.backgroundStepMs = 30;
        intervals.backgroundStepTimeoutMs = 700;
        intervals.chatConnectTimeoutMs = 500;
        intervals.splitResponseWaitMs = 100;
        m_intervals = intervals;
    }
    // A test that changes an interval has it set back for the next.
    void cleanup() { Intervals::instance() = m_intervals; }

    void visitsOnlineServersInListOrderAndWritesTheirFiles() {
        Intervals &intervals = Intervals::instance();
        intervals.backgroundStepMs = 400; // far longer than a step on this computer
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        SimServer *b = f.sim(QStringLiteral("B"), QStringLiteral("Timeout"));
        SimServer *c = f.sim(QStringLiteral("C"));
        SimServer *d = f.sim(QStringLiteral("D"), QStringLiteral("Chat/Online"));
        for (SimServer *sim : {a, b, c, d})
            sim->appendGameLog(QStringLiteral("Bob (Rex): hi from ") + sim->name());
        QVERIFY(ServerLogFile(f.logPath(QStringLiteral("C")))
                    .save({ChatLine(QStringLiteral("[170105-090807]"), QStringLiteral("kept"))}));
        QSignalSpy watched(f.watch, &BackgroundWatch::stepStarted);

        f.watch->start();
        QVERIFY(f.waitSteps(4));
        QCOMPARE(f.steps.mid(0, 4), QStringList({QStringLiteral("A"), QStringLiteral("C"),
                                                 QStringLiteral("A"), QStringLiteral("C")}));
        QCOMPARE(watched.first().first().toString(), QStringLiteral("A"));
        // A short list of quick servers: one step, then the rest of its slot, then the next.
        QCOMPARE(f.events.mid(0, 8),
                 QStringList({QStringLiteral("+A"), QStringLiteral("-A"), QStringLiteral("+C"),
                              QStringLiteral("-C"), QStringLiteral("+A"), QStringLiteral("-A"),
                              QStringLiteral("+C"), QStringLiteral("-C")}));
        QCOMPARE(f.mostUnderWay, 1);

        QCOMPARE(f.fileTexts(QStringLiteral("A")),
                 QStringList{QStringLiteral("Bob (Rex): hi from A")});
        // The server's file is loaded first, so the new lines are added to what it held.
        QCOMPARE(f.fileTexts(QStringLiteral("C")),
                 QStringList({QStringLiteral("kept"), QStringLiteral("Bob (Rex): hi from C")}));
        // Offline servers and the chat's server are never contacted, and get no file.
        QCOMPARE(b->connectionCount(), 0);
        QCOMPARE(d->connectionCount(), 0);
        QVERIFY(!QFile::exists(f.logPath(QStringLiteral("B"))));
        QVERIFY(!QFile::exists(f.logPath(QStringLiteral("D"))));
        QVERIFY(a->commands().contains(QStringLiteral("GetGameLog")));

        // A later line of the same server joins its file at a later step.
        a->appendGameLog(QStringLiteral("Anna (Raptor): later"));
        QTRY_COMPARE_WITH_TIMEOUT(f.fileTexts(QStringLiteral("A")).size(), 2, kWait);
    }

    void longListComesRoundWithinTheRound() {
        Intervals &intervals = Intervals::instance();
        intervals.backgroundStepMs = 5000;
        intervals.backgroundRoundMs = 1200;
        Fixture f;
        QList<SimServer *> sims;
        for (int i = 0; i < 6; ++i)
            sims << f.sim(QStringLiteral("S%1").arg(i));
        sims.at(2)->setFault(SimServer::NeverAnswer); // a server that hangs keeps its turn only
        f.watch->start();
        // At 10 s a step, six servers would take a minute; the round is 1.2 s here.
        QVERIFY(f.waitEachEnded(names(QStringLiteral("S"), {0, 1, 2, 3, 4, 5}), 2));
        const QStringList round = names(QStringLiteral("S"), {0, 1, 2, 3, 4, 5});
        QCOMPARE(f.started.mid(0, 6), round);
        QCOMPARE(f.started.mid(6, 6), round);
        for (SimServer *sim : std::as_const(sims))
            QVERIFY(sim->commands().count(QStringLiteral("GetGameLog")) >= 2);
    }

    // Servers slower than the slot, and servers that never answer, on a long list: every other
    // server still has its step in each round, none is asked twice at once.
    void slowAndSilentServersHoldUpOnlyThemselves() {
        Intervals &intervals = Intervals::instance();
        intervals.backgroundStepMs = 5000;
        intervals.backgroundRoundMs = 1000;         // a slot of 100 ms for ten servers
        intervals.backgroundStepTimeoutMs = 600000; // the silent servers' steps never end here
        Fixture f;
        QList<SimServer *> sims;
        for (int i = 0; i < 10; ++i) {
            sims << f.sim(QStringLiteral("S%1").arg(i));
            sims.last()->appendGameLog(QStringLiteral("Bob (Rex): hi from S%1").arg(i));
        }
        for (int silent : {2, 6})
            sims.at(silent)->setFault(SimServer::NeverAnswer);
        for (int slow : {4, 8}) {
            sims.at(slow)->setFault(SimServer::SlowLogs);
            sims.at(slow)->setAnswerDelayMs(350);
        }
        const QStringList answering = names(QStringLiteral("S"), {0, 1, 3, 4, 5, 7, 8, 9});

        f.watch->start();
        QVERIFY(f.waitEachEnded(answering, 3, 30000));
        // The first round in list order; after it the silent servers are still under way, so
        // their turns pass and every other server keeps its own.
        QCOMPARE(f.started.mid(0, 10), names(QStringLiteral("S"), {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
        QCOMPARE(f.started.mid(10, 8), answering);
        QCOMPARE(f.started.mid(18, 8), answering);
        QVERIFY(f.watch->isWatching(QStringLiteral("S2")));
        QVERIFY(f.watch->isWatching(QStringLiteral("S6")));
        QVERIFY(!f.steps.contains(QStringLiteral("S2")));
        QVERIFY(!f.steps.contains(QStringLiteral("S6")));
        QVERIFY2(f.startedTwice.isEmpty(), qPrintable(f.startedTwice.join(u' ')));
        for (SimServer *sim : std::as_const(sims))
            QVERIFY2(sim->mostUnansweredAtOnce() <= 1, qPrintable(sim->name()));
        for (int silent : {2, 6}) {
            QCOMPARE(sims.at(silent)->commands().count(QStringLiteral("GetGameLog")), 1);
            QCOMPARE(sims.at(silent)->mostUnansweredAtOnce(), 1);
        }
        QVERIFY(f.mostUnderWay <= f.watch->concurrency());
        for (const QString &name : answering)
            QCOMPARE(f.fileTexts(name), QStringList{QStringLiteral("Bob (Rex): hi from ") + name});
    }

    // With every step under way a slot waits for the next one to end; the bound is never
    // passed and the servers keep their order.
    void aFullBoundMakesTheSlotWait() {
        Intervals &intervals = Intervals::instance();
        intervals.backgroundStepMs = 5000;
        intervals.backgroundRoundMs = 800; // a slot of 100 ms for eight servers
        intervals.backgroundStepTimeoutMs = 600000;
        intervals.watchConcurrency = 3;
        Fixture f;
        QCOMPARE(f.watch->concurrency(), 3);
        QList<SimServer *> sims;
        for (int i = 0; i < 8; ++i) {
            sims << f.sim(QStringLiteral("S%1").arg(i));
            // Three slots long: with the two silent ones, the bound is reached.
            sims.last()->setFault(SimServer::SlowLogs);
            sims.last()->setAnswerDelayMs(300);
        }
        for (int silent : {1, 5})
            sims.at(silent)->setFaults(SimServer::NeverAnswer);
        const QStringList answering = names(QStringLiteral("S"), {0, 2, 3, 4, 6, 7});

        f.watch->start();
        QVERIFY(f.waitEachEnded(answering, 2, 30000));
        QCOMPARE(f.mostUnderWay, 3);
        QCOMPARE(f.started.mid(0, 8), names(QStringLiteral("S"), {0, 1, 2, 3, 4, 5, 6, 7}));
        QCOMPARE(f.started.mid(8, 6), answering);
        QVERIFY2(f.startedTwice.isEmpty(), qPrintable(f.startedTwice.join(u' ')));
        for (SimServer *sim : std::as_const(sims))
            QVERIFY2(sim->mostUnansweredAtOnce() <= 1, qPrintable(sim->name()));
    }

    void holdStopsNewStepsAndLetsThoseUnderWayEnd() {
        Intervals &intervals = Intervals::instance();
        intervals.backgroundStepMs = 5000;
        intervals.backgroundRoundMs = 600; // a slot of 100 ms for six servers
        Fixture f;
        for (int i = 0; i < 6; ++i) {
            SimServer *sim = f.sim(QStringLiteral("S%1").arg(i));
            sim->setFault(SimServer::SlowLogs);
            sim->setAnswerDelayMs(300);
        }
        f.watch->start();
        QVERIFY(waitUntil([&f] { return f.watch->runningSteps() >= 2; }, kWait));
        f.watch->hold();
        const qsizetype startedBefore = f.started.size();
        QTRY_COMPARE_WITH_TIMEOUT(f.watch->runningSteps(), 0, kWait);
        QCOMPARE(f.watch->statusText(), BackgroundWatch::idleText());
        QTest::qWait(400);
        QCOMPARE(f.started.size(), startedBefore);
        f.watch->release();
        QTRY_VERIFY_WITH_TIMEOUT(f.started.size() > startedBefore, kWait);
    }

    void chatModeAsksGetchat() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        f.setOptions([](ProgramOptions &o) { o.logSource = LogSource::Chat; });
        a->appendChat(QStringLiteral("Bob (Rex): hi"));
        f.watch->start();
        QVERIFY(f.waitSteps(1));
        QVERIFY(a->commands().contains(QStringLiteral("Getchat")));
        QVERIFY(!a->commands().contains(QStringLiteral("GetGameLog")));
        QCOMPARE(f.fileTexts(QStringLiteral("A")), QStringList{QStringLiteral("Bob (Rex): hi")});
    }

    void noStepWhileTheOptionIsOffHeldOrBeforeTheStart() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        f.watch->Timer13Timer(); // not started: the first pass has not ended
        f.setOptions([](ProgramOptions &o) { o.backgroundChat = false; });
        f.watch->start();
        QTest::qWait(300);
        QCOMPARE(a->connectionCount(), 0);

        f.setOptions([](ProgramOptions &o) { o.backgroundChat = true; });
        f.watch->hold();
        QTest::qWait(300);
        QCOMPARE(a->connectionCount(), 0);
        QVERIFY(f.steps.isEmpty());

        // The next tick after the dialog closes starts a step.
        f.watch->release();
        QVERIFY(f.waitSteps(1));
        QCOMPARE(f.steps.first(), QStringLiteral("A"));
    }

    void statusPanelTexts() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        a->setFault(SimServer::DelayAnswer);
        a->setAnswerDelayMs(200);
        QCOMPARE(f.watch->statusText(), QStringLiteral("Get chat in background"));
        QSignalSpy texts(f.watch, &BackgroundWatch::statusTextChanged);
        f.watch->start();
        const QDateTime now(QDate(2026, 12, 10), QTime(20, 15, 7));
        Clock::setSource([now] { return now; });
        const auto resetClock = qScopeGuard([] { Clock::reset(); });
        QLocale::setDefault(QLocale::c());
        QVERIFY(f.waitSteps(1));
        // The short date and the long time, without a time zone after it.
        QCOMPARE(texts.first().first().toString(),
                 QStringLiteral("Get chat in background (A) ") +
                     QLocale::c().toString(now.date(), QLocale::ShortFormat) +
                     QStringLiteral(" 20:15:07"));
        QCOMPARE(texts.at(1).first().toString(), QStringLiteral("Get chat in background"));

        // Switched off between steps: the panel empties; on again: it says so.
        QTRY_VERIFY_WITH_TIMEOUT(!f.watch->isStepRunning(), kWait);
        f.setOptions([](ProgramOptions &o) { o.backgroundChat = false; });
        f.watch->optionsChanged();
        QCOMPARE(f.watch->statusText(), QString());
        f.setOptions([](ProgramOptions &o) { o.backgroundChat = true; });
        f.watch->optionsChanged();
        QCOMPARE(f.watch->statusText(), QStringLiteral("Get chat in background"));
    }

    void theWatchGoesOnAfterAFailure_data() {
        QTest::addColumn<int>("fault");
        QTest::addColumn<bool>("closedPortInstead");
        QTest::newRow("refused login") << int(SimServer::RefuseLogin) << false;
        QTest::newRow("never answers") << int(SimServer::NeverAnswer) << false;
        QTest::newRow("silent login") << int(SimServer::SilentLogin) << false;
        QTest::newRow("closed mid-answer") << int(SimServer::CloseMidPacket) << false;
        QTest::newRow("garbage") << int(SimServer::Garbage) << false;
        QTest::newRow("connection refused") << int(SimServer::NoFault) << true;
    }
    void theWatchGoesOnAfterAFailure() {
        QFETCH(int, fault);
        QFETCH(bool, closedPortInstead);
        Fixture f;
        if (closedPortInstead) {
            f.add(QStringLiteral("F"), closedPort());
        } else {
            SimServer *bad = f.sim(QStringLiteral("F"));
            bad->setFaults(SimServer::Faults(fault));
            bad->appendGameLog(QStringLiteral("never written"));
        }
        SimServer *good = f.sim(QStringLiteral("G"));
        good->appendGameLog(QStringLiteral("Bob (Rex): hi"));

        f.watch->start();
        // The failing server is tried again, and the other one never waits for it.
        QVERIFY(waitUntil(
            [&f] {
                return f.steps.count(QStringLiteral("F")) >= 2 &&
                       f.steps.count(QStringLiteral("G")) >= 2;
            },
            kWait));
        QCOMPARE(f.started.mid(0, 2), QStringList({QStringLiteral("F"), QStringLiteral("G")}));
        QCOMPARE(f.fileTexts(QStringLiteral("G")), QStringList{QStringLiteral("Bob (Rex): hi")});
        QVERIFY(!QFile::exists(f.logPath(QStringLiteral("F"))));
        QVERIFY(f.startedTwice.isEmpty());
    }

    // The steps overlap, so one server's file is written by more than one of them: a write that
    // keeps failing is still told once.
    void aFailedWriteIsToldOnceWhicheverStepWrote() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        SimServer *b = f.sim(QStringLiteral("B"));
        // B's steps outlast a slot, so A's steps find another step free than the one before.
        b->setFault(SimServer::SlowLogs);
        b->setAnswerDelayMs(100);
        // A folder where the file belongs once A's step has loaded it: the read works, every
        // write fails, even as root.
        const QString path = f.logPath(QStringLiteral("A"));
        QObject::connect(f.watch, &BackgroundWatch::stepStarted, [path](const QString &name) {
            if (name == QLatin1String("A"))
                QDir(path).removeRecursively();
        });
        QObject::connect(a, &SimServer::commandReceived, [a, path] {
            a->appendGameLog(QStringLiteral("Bob (Rex): line %1").arg(a->gameLog().size()));
            QDir().mkpath(path);
        });
        QSignalSpy told(f.watch, &BackgroundWatch::message);
        f.watch->start();
        QVERIFY(waitUntil([&f] { return f.steps.count(QStringLiteral("A")) >= 6; }, kWait));
        int reports = 0;
        for (const QList<QVariant> &args : std::as_const(told))
            reports +=
                args.at(0).toString().startsWith(QLatin1String("Failed to save logs/A.log: "));
        QCOMPARE(reports, 1);
    }

    void theCursorWrapsWhenServersAreRemoved() {
        Fixture f;
        f.sim(QStringLiteral("A"));
        f.sim(QStringLiteral("B"));
        f.sim(QStringLiteral("C"));
        // Stopped right after the step for B, so the cursor stands on C.
        const auto stopAfterB =
            QObject::connect(f.watch, &BackgroundWatch::stepEnded, [&](const QString &name) {
                if (name == QLatin1String("B"))
                    f.watch->stop();
            });
        f.watch->start();
        QVERIFY(f.waitSteps(2));
        QObject::disconnect(stopAfterB);
        QCOMPARE(f.watch->cursor(), 2);
        ServerListModel *servers = f.console->servers();
        servers->removeServer(servers->rowOfName(QStringLiteral("C")));
        servers->removeServer(servers->rowOfName(QStringLiteral("B")));
        f.steps.clear();
        f.watch->start();
        QVERIFY(f.waitSteps(2));
        QCOMPARE(f.steps.mid(0, 2), QStringList({QStringLiteral("A"), QStringLiteral("A")}));

        // An empty list gives no step and no failure.
        f.watch->stop();
        servers->removeServer(0);
        f.steps.clear();
        f.watch->start();
        QTest::qWait(200);
        QVERIFY(f.steps.isEmpty());
    }

    void abandoningAStepFreesTheServer() {
        Intervals &intervals = Intervals::instance();
        intervals.backgroundStepTimeoutMs = 600000;
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        a->setFault(SimServer::NeverAnswer);
        SimServer *b = f.sim(QStringLiteral("B"));
        b->setFault(SimServer::NeverAnswer);
        f.watch->start();
        QTRY_COMPARE_WITH_TIMEOUT(f.watch->watchedServers(),
                                  QStringList({QStringLiteral("A"), QStringLiteral("B")}), kWait);
        QVERIFY(f.watch->watchLog(QStringLiteral("A")));
        f.watch->abandonStep(QStringLiteral("B"));
        QCOMPARE(f.watch->watchedServers(), QStringList{QStringLiteral("A")});
        QCOMPARE(f.steps, QStringList{QStringLiteral("B")});
        QVERIFY(!f.watch->watchLog(QStringLiteral("B")));
        // The panel shows the step started last among those still under way.
        QVERIFY(f.watch->statusText().startsWith(QStringLiteral("Get chat in background (A) ")));
        f.watch->abandonStep(QStringLiteral("A"));
        QVERIFY(f.watch->watchedServers().isEmpty());
        QCOMPARE(f.steps, QStringList({QStringLiteral("B"), QStringLiteral("A")}));
        QCOMPARE(f.watch->statusText(), QStringLiteral("Get chat in background"));
    }
};

QTEST_GUILESS_MAIN(TestBackgroundWatch)
#include "tst_backgroundwatch.moc"
