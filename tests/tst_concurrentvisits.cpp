// Visits that overlap, against simulated servers on loopback with every interval shortened: dead
// servers of each kind beside live ones, the pace of the visits, the first pass, status changes
// logged once, holds, and the status tool tips.
#include "base/Intervals.h"
#include "monitor/PlayerTracker.h"
#include "monitor/PollCycle.h"
#include "servers/ServerListModel.h"

#include "ConsoleFixture.h"
#include "SimGroup.h"
#include "TestWait.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr int kWait = 20000;

struct Fixture : ConsoleFixture {
    SimGroup group;
    QStringList visits;
    QHash<QString, QList<qint64>> endedAt; // ms since the fixture began, per server
    QElapsedTimer clock;

    Fixture() {
        clock.start();
        QObject::connect(poll(), &PollCycle::visitEnded, [this](const QString &name) {
            visits << name;
            endedAt[name] << clock.elapsed();
        });
    }
    ~Fixture() { poll()->stop(); }

    PollCycle *poll() const { return console->pollCycle(); }
    void add(const QString &name, const QString &port,
             const QString &password = QStringLiteral("pw")) {
        servers()->appendServer({name, QStringLiteral("127.0.0.1"), port, password});
    }
    SimServer *live(const QString &name) {
        SimServer *server = group.addServer(name, QStringLiteral("pw"));
        add(name, server->portText());
        return server;
    }
    SimServer *dead(const QString &name, SimGroup::DeadKind kind) {
        SimServer *server = group.addDeadServer(name, QStringLiteral("pw"), kind);
        add(name, server->portText());
        return server;
    }
    bool waitVisits(const QString &name, int count) {
        return waitUntil([this, &name, count] { return visits.count(name) >= count; }, kWait);
    }
    QString tip(const QString &name, int role = Qt::ToolTipRole) const {
        return servers()
            ->index(servers()->rowOfName(name), ServerListModel::StatusColumn)
            .data(role)
            .toString();
    }
};

} // namespace

class TestConcurrentVisits : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Intervals &intervals = Intervals::instance();
        intervals.pollConcurrency = 4;
        intervals.revisitMs = 150;
        intervals.visitStartFirstPassMs = 10;
        intervals.visitStartMs = 30;
        intervals.watchdogMs = 2000;
        intervals.pollConnectTimeoutMs = 1000;
        intervals.resumeDelayMs = 300;
        intervals.onlineTickerMs = 50;
    }

    void deadServersHoldUpOnlyTheirOwnVisits() {
        Fixture f;
        f.live(QStringLiteral("A"));
        f.dead(QStringLiteral("Silent"), SimGroup::DeadKind::Silent);
        f.live(QStringLiteral("B"));
        f.dead(QStringLiteral("Refusing"), SimGroup::DeadKind::Refusing);
        f.dead(QStringLiteral("Closing"), SimGroup::DeadKind::Closing);
        f.dead(QStringLiteral("Unreachable"), SimGroup::DeadKind::Unreachable);
        f.live(QStringLiteral("C"));
        f.poll()->Startles();
        QVERIFY(f.waitVisits(QStringLiteral("Silent"), 3));

        // Between two visits of a server that never answers, each live one is asked many times.
        const QList<qint64> silent = f.endedAt.value(QStringLiteral("Silent"));
        for (const QString &name :
             {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}) {
            const QList<qint64> ends = f.endedAt.value(name);
            const auto between = std::count_if(ends.cbegin(), ends.cend(), [&](qint64 at) {
                return at > silent.at(1) && at < silent.at(2);
            });
            QVERIFY2(between >= 3, qPrintable(name + QStringLiteral(": %1").arg(between)));
            QCOMPARE(f.entry(name).statusText(), QStringLiteral("Online"));
            // Asked again no sooner than the revisit delay after the last answer.
            // (Two clocks read in whole milliseconds: one of rounding is allowed.)
            for (qsizetype i = 1; i < ends.size(); ++i)
                QVERIFY2(ends.at(i) - ends.at(i - 1) >= Intervals::instance().revisitMs - 1,
                         qPrintable(QStringLiteral("%1 ms").arg(ends.at(i) - ends.at(i - 1))));
        }

        const QList<QPair<QString, QString>> words{
            {QStringLiteral("Silent"), QStringLiteral("Timeout")},
            {QStringLiteral("Refusing"), QStringLiteral("Refused")},
            {QStringLiteral("Closing"), QStringLiteral("Timeout")},
            {QStringLiteral("Unreachable"), QStringLiteral("Timeout")}};
        for (const auto &[name, word] : words) {
            QVERIFY(f.waitVisits(name, 2));
            QCOMPARE(f.entry(name).statusText(), word);
            QCOMPARE(f.entry(name).playerCount, QStringLiteral("-"));
            // Every visit failed the same way; the change was logged once.
            QCOMPARE(f.messages().count(QStringLiteral("Serverstatus (") + name +
                                        QStringLiteral("):  ") + word),
                     1);
        }
        QVERIFY(!f.state()->isFirstPass());
        QVERIFY(f.poll()->runningVisits() <= 4);
    }

    void timeoutIsLoggedOnceAndNotifiedAfterTheFirstPass() {
        Fixture f;
        SimServer *a = f.live(QStringLiteral("A"));
        f.live(QStringLiteral("B"));
        QStringList notified;
        QObject::connect(f.poll(), &PollCycle::notificationRaised,
                         [&notified](const QString &text) { notified << text; });
        a->addPlayer(QStringLiteral("Anna"));
        f.poll()->Startles();
        QVERIFY(waitUntil([&f] { return !f.state()->isFirstPass(); }, kWait));
        a->setFault(SimServer::NeverAnswer);
        const QString timeout = QStringLiteral("Serverstatus (A):  Timeout");
        QVERIFY(waitUntil([&f, &timeout] { return f.messages().contains(timeout); }, kWait));
        const int visits = int(f.visits.count(QStringLiteral("A")));
        QVERIFY(f.waitVisits(QStringLiteral("A"), visits + 1));
        QCOMPARE(f.messages().count(timeout), 1);
        QCOMPARE(notified, QStringList{timeout});
        // A server that stops answering keeps its players until a visit sees them gone.
        QCOMPARE(f.console->players()->recordCount(), 1);
        QVERIFY(f.messages().filter(QStringLiteral("has left")).isEmpty());

        a->setFault(SimServer::NeverAnswer, false);
        QVERIFY(waitUntil([&f] { return f.entry(QStringLiteral("A")).isOnline(); }, kWait));
        QCOMPARE(f.messages().count(QStringLiteral("Serverstatus (A):  Online")), 2);
        QCOMPARE(f.console->players()->recordCount(), 1);
    }

    void serverAddedWhileAnotherHangsIsVisitedAtOnce() {
        Fixture f;
        f.dead(QStringLiteral("Silent"), SimGroup::DeadKind::Silent);
        f.poll()->Startles();
        QVERIFY(waitUntil([&f] { return f.poll()->isVisiting(QStringLiteral("Silent")); }, kWait));
        f.live(QStringLiteral("New"));
        QVERIFY(f.waitVisits(QStringLiteral("New"), 1));
        QVERIFY(f.poll()->isVisiting(QStringLiteral("Silent")));
        QVERIFY(f.visits.count(QStringLiteral("Silent")) == 0);
        QCOMPARE(f.entry(QStringLiteral("New")).statusText(), QStringLiteral("Online"));
    }

    void firstPassEndsWhenEveryServerWasVisitedOnce() {
        Fixture f;
        SimServer *a = f.live(QStringLiteral("A"));
        f.dead(QStringLiteral("Silent"), SimGroup::DeadKind::Silent);
        a->addPlayer(QStringLiteral("Anna"));
        int silentVisits = -1;
        int liveVisits = -1;
        QObject::connect(f.state(), &ProgramState::firstPassEnded, [&] {
            silentVisits = int(f.visits.count(QStringLiteral("Silent")));
            liveVisits = int(f.visits.count(QStringLiteral("A")));
        });
        f.poll()->Startles();
        QVERIFY(waitUntil([&f] { return !f.state()->isFirstPass(); }, kWait));
        QCOMPARE(silentVisits, 1);
        QVERIFY(liveVisits >= 2);
        // The quiet first pass: the player was there from the start.
        QCOMPARE(f.messages().filter(QStringLiteral("joined @")).size(), 0);
        QCOMPARE(f.messages().filter(QStringLiteral("playing @ `A´")).size(), 1);
    }

    void heldCycleStartsNothingAndReleaseGoesOn() {
        Fixture f;
        SimServer *a = f.live(QStringLiteral("A"));
        SimServer *b = f.live(QStringLiteral("B"));
        f.poll()->Startles();
        QVERIFY(f.waitVisits(QStringLiteral("B"), 2));
        f.poll()->hold();
        QVERIFY(waitUntil([&f] { return !f.poll()->isVisitRunning(); }, kWait));
        const qsizetype commands = a->commands().size() + b->commands().size();
        const qsizetype visits = f.visits.size();
        QTest::qWait(4 * Intervals::instance().revisitMs);
        QCOMPARE(a->commands().size() + b->commands().size(), commands);
        QVERIFY(f.visits.size() <= visits + 2); // only the results that were on their way

        f.poll()->release();
        QVERIFY(f.waitVisits(QStringLiteral("A"), int(f.visits.count(QStringLiteral("A"))) + 2));
        QVERIFY(f.waitVisits(QStringLiteral("B"), int(f.visits.count(QStringLiteral("B"))) + 2));
    }

    void oneAtATimeCycleIsKeptAtAConcurrencyOfOne() {
        Fixture f;
        f.poll()->setConcurrency(1);
        f.live(QStringLiteral("A"));
        f.live(QStringLiteral("B"));
        f.live(QStringLiteral("C"));
        int mostAtOnce = 0;
        QObject::connect(
            f.group.server(QStringLiteral("A")), &SimServer::loginReceived,
            [&f, &mostAtOnce] { mostAtOnce = std::max(mostAtOnce, f.poll()->runningVisits()); });
        f.poll()->Startles();
        QVERIFY(f.waitVisits(QStringLiteral("C"), 2));
        QCOMPARE(f.visits.mid(0, 6),
                 (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                              QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
        QCOMPARE(mostAtOnce, 1);
        f.poll()->setConcurrency(Intervals::instance().pollConcurrency);
    }

    void statusExplainsItself_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("tip");
        QTest::newRow("bad login")
            << QStringLiteral("wrong password")
            << QStringLiteral("Bad login: the server refused the RCON password");
        QTest::newRow("watchdog") << QStringLiteral("silent")
                                  << QStringLiteral("Timeout: no answer within 2 s");
        QTest::newRow("connect time-out")
            << QStringLiteral("unreachable") << QStringLiteral("Timeout: no connection within 1 s");
        QTest::newRow("invalid port") << QStringLiteral("port 70000")
                                      << QStringLiteral("Unknown: port 70000 is not a valid port");
        QTest::newRow("refused") << QStringLiteral("refusing")
                                 << QStringLiteral("Refused: the server refused the connection");
        QTest::newRow("online") << QStringLiteral("live")
                                << QStringLiteral("Online: the server answered its last visit");
    }
    void statusExplainsItself() {
        QFETCH(QString, kind);
        QFETCH(QString, tip);
        Fixture f;
        const QString name = QStringLiteral("S");
        if (kind == QLatin1String("wrong password")) {
            SimServer *server = f.group.addServer(name, QStringLiteral("right"));
            f.add(name, server->portText(), QStringLiteral("wrong"));
        } else if (kind == QLatin1String("silent")) {
            f.dead(name, SimGroup::DeadKind::Silent);
        } else if (kind == QLatin1String("unreachable")) {
            f.dead(name, SimGroup::DeadKind::Unreachable);
        } else if (kind == QLatin1String("refusing")) {
            f.dead(name, SimGroup::DeadKind::Refusing);
        } else if (kind == QLatin1String("port 70000")) {
            f.add(name, QStringLiteral("70000"));
            QTest::ignoreMessage(QtWarningMsg, "port 70000 is not a valid port (Thread)");
        } else {
            f.live(name);
        }
        QCOMPARE(f.tip(name), QStringLiteral("Queue: not visited yet"));
        f.poll()->Startles();
        QVERIFY(f.waitVisits(name, 1));
        QCOMPARE(f.tip(name), tip);
        QCOMPARE(f.tip(name, Qt::AccessibleDescriptionRole), tip);
        QCOMPARE(f.servers()
                     ->index(0, ServerListModel::NameColumn)
                     .data(Qt::AccessibleDescriptionRole)
                     .toString(),
                 tip);
    }
};

QTEST_GUILESS_MAIN(TestConcurrentVisits)
#include "tst_concurrentvisits.moc"
