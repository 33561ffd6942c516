// The poll cycle's own cost: a pass over 20 simulated servers (time per visit beyond the
// visit-start delay), then the real console polling 20 simulated servers for 60 s (CPU use
// of its process and its peak memory), then overlapping visits against the one-at-a-time cycle
// on 100 servers of 50 players each, with 10 of them dead and with none: the longest time
// between two visits of a live server, the delay from a join to its log line, the console's CPU
// and its longest event-loop stall.
//
//   bench_monitor [seconds [churn-ms]]   (default 60 s; the console runs once with players who
//   stay and once with players joining and leaving every 4000 ms on each server, 0 skips that
//   run; the console executable is found beside bench/)
//   bench_monitor visits [seconds]        (only the comparison; CPU read over 60 s per run by
//   default, then the stalls over a third as long again)
//   bench_monitor visits seconds concurrency dead   (one run of the comparison alone)

#include "base/Intervals.h"
#include "base/ProgramLog.h"
#include "base/ProgramState.h"
#include "console/Console.h"
#include "monitor/PlayerListModel.h"
#include "monitor/PlayerTracker.h"
#include "monitor/PollCycle.h"
#include "servers/ServerListModel.h"
#include "servers/TableFile.h"

#include "BenchRun.h"
#include "SimGroup.h"
#include "SimServer.h"
#include "StallMeter.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QListView>
#include <QMutex>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <unistd.h>
#include <vector>

namespace {

using BenchRun::waitFor;

constexpr int kServers = 20;
constexpr int kPlayersPerServer = 5;
constexpr int kPasses = 5;

// Simulated servers on a thread of their own, so that their work is not counted as ours.
struct SimThread {
    QThread thread;
    QObject context;
    QList<SimServer *> servers;

    explicit SimThread(int churnMs) {
        thread.start();
        context.moveToThread(&thread);
        QMetaObject::invokeMethod(
            &context,
            [this, churnMs] {
                for (int i = 0; i < kServers; ++i) {
                    auto *server =
                        new SimServer(QStringLiteral("Bench %1").arg(i, 2, 10, QLatin1Char('0')),
                                      QStringLiteral("secret"));
                    server->start();
                    for (int p = 0; p < kPlayersPerServer; ++p)
                        server->addRandomPlayer();
                    if (churnMs > 0)
                        server->startChurn(churnMs, quint32(i + 1));
                    servers << server;
                }
            },
            Qt::BlockingQueuedConnection);
    }
    ~SimThread() {
        QMetaObject::invokeMethod(
            &context, [this] { qDeleteAll(servers); }, Qt::BlockingQueuedConnection);
        thread.quit();
        thread.wait();
    }
    StringTable serverTable() const { return BenchRun::serverTableOf(servers); }
};

void benchPass() {
    Intervals &intervals = Intervals::instance();
    intervals.visitStartFirstPassMs = 50;
    intervals.visitStartMs = 50;
    const int delay = intervals.visitStartMs;

    SimThread sims(0);
    QTemporaryDir dir;
    SaveStringGrid(sims.serverTable(), dir.filePath(QStringLiteral("server.dat")));
    Console console(dir.path());

    QElapsedTimer clock;
    std::vector<qint64> visitMicros; // visit start to processed result
    std::vector<qint64> passMicros;
    qint64 visitStartedAt = 0;
    qint64 passStartedAt = 0;
    int visits = 0;
    QObject::connect(console.pollCycle(), &PollCycle::visitActiveChanged, [&](bool active) {
        if (active)
            visitStartedAt = clock.nsecsElapsed() / 1000;
    });
    QObject::connect(console.pollCycle(), &PollCycle::visitEnded, [&](const QString &) {
        const qint64 now = clock.nsecsElapsed() / 1000;
        visitMicros.push_back(now - visitStartedAt);
        if (++visits % kServers == 0) {
            passMicros.push_back(now - passStartedAt);
            passStartedAt = now;
            if (int(passMicros.size()) == kPasses + 1)
                QCoreApplication::quit();
        }
    });
    clock.start();
    console.start(); // the real start-up: the poll cycle begins with the first server
    QCoreApplication::exec();
    console.pollCycle()->stop();

    // The first pass finds every player and writes their lines: reported on its own.
    const double firstPass = double(passMicros.front()) / kServers / 1000.0;
    double perVisit = 0;
    for (size_t i = 1; i < passMicros.size(); ++i)
        perVisit += double(passMicros[i]) / kServers / 1000.0;
    perVisit /= double(passMicros.size() - 1);
    std::vector<qint64> later(visitMicros.begin() + kServers, visitMicros.end());
    double mean = 0;
    for (qint64 micros : later)
        mean += double(micros) / 1000.0;
    mean /= double(later.size());
    std::sort(later.begin(), later.end());
    std::printf("%d passes over %d servers (%d players each), visit-start delay %d ms:\n", kPasses,
                kServers, kPlayersPerServer, delay);
    std::printf(
        "  time beyond the delay per visit (visit start to processed result): mean %.2f ms, "
        "median %.2f ms, max %.2f ms  target < 5 ms\n",
        mean, double(later[later.size() / 2]) / 1000.0, double(later.back()) / 1000.0);
    // The visit-start timer is a coarse timer: it may fire up to 5% early or late.
    std::printf("  whole passes: %.2f ms per visit (first pass %.2f ms), delay included\n",
                perVisit, firstPass);
}

struct ProcessFigures {
    qint64 ticks = 0;
    qint64 hwmKb = 0;
};

ProcessFigures readProc(qint64 pid) {
    ProcessFigures figures;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray text = stat.readAll();
        // Fields after the command name, which is in parentheses and may hold blanks.
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 13)
            figures.ticks = fields.at(11).toLongLong() + fields.at(12).toLongLong();
    }
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                figures.hwmKb = line.mid(6).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return figures;
}

void benchConsoleProcess(int seconds, int churnMs) {
    const QString binary = QCoreApplication::applicationDirPath() + QStringLiteral("/../kvd");
    if (!QFile::exists(binary)) {
        std::printf("console process: %s not built, skipped\n", qPrintable(binary));
        return;
    }
    SimThread sims(churnMs);
    QTemporaryDir install;
    QTemporaryDir runtime;
    const QString exe = install.filePath(QStringLiteral("kvd"));
    QFile::copy(binary, exe);
    SaveStringGrid(sims.serverTable(), install.filePath(QStringLiteral("server.dat")));

    QProcess console;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    console.setProcessEnvironment(env);
    console.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    console.start(exe, {});
    if (!console.waitForStarted()) {
        std::printf("console process: could not start\n");
        return;
    }
    waitFor(3000); // start-up is not part of the steady state
    const qint64 pid = console.processId();
    const ProcessFigures before = readProc(pid);
    QElapsedTimer clock;
    clock.start();
    waitFor(seconds * 1000);
    const ProcessFigures after = readProc(pid);
    const double elapsed = double(clock.elapsed()) / 1000.0;
    ::kill(pid_t(pid), SIGTERM);
    console.waitForFinished(20000);

    const double cpuSeconds = double(after.ticks - before.ticks) / double(sysconf(_SC_CLK_TCK));
    if (churnMs > 0)
        std::printf("console process polling %d servers, players joining and leaving every %d ms "
                    "on each, for %.0f s:\n",
                    kServers, churnMs, elapsed);
    else
        std::printf("console process polling %d servers, %d players each, for %.0f s:\n", kServers,
                    kPlayersPerServer, elapsed);
    std::printf("  CPU: %.2f s, %.3f%% of one core  target < 1%%\n", cpuSeconds,
                100.0 * cpuSeconds / elapsed);
    std::printf("  peak memory (VmHWM): %.1f MiB\n", double(after.hwmKb) / 1024.0);
}

// Thread CPU time of the calling thread, in seconds.
double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

constexpr int kClusterServers = 100;
constexpr int kClusterPlayers = 50;

// 100 simulated servers on a thread of their own, some of them dead, and a join every 500 ms on
// a live one, stamped on a clock both threads read.
struct Cluster {
    QThread thread;
    QObject context;
    SimGroup *group = nullptr;
    QStringList names;
    QSet<QString> dead;
    QElapsedTimer clock;
    QMutex mutex;
    QHash<QString, qint64> joinedAt; // id -> ms on clock
    QTimer *joins = nullptr;

    explicit Cluster(int deadCount) {
        clock.start();
        thread.start();
        context.moveToThread(&thread);
        QMetaObject::invokeMethod(
            &context,
            [this, deadCount] {
                group = new SimGroup;
                const SimGroup::DeadKind kinds[] = {
                    SimGroup::DeadKind::Silent, SimGroup::DeadKind::Unreachable,
                    SimGroup::DeadKind::Refusing, SimGroup::DeadKind::Closing};
                for (int i = 0; i < kClusterServers; ++i) {
                    const QString name = QStringLiteral("Node %1").arg(i, 3, 10, QLatin1Char('0'));
                    // The dead ones are spread over the list.
                    const bool isDead = deadCount > 0 && i % (kClusterServers / deadCount) == 5;
                    SimServer *server = isDead
                                            ? group->addDeadServer(name, QStringLiteral("secret"),
                                                                   kinds[dead.size() % 4])
                                            : group->addServer(name, QStringLiteral("secret"));
                    if (isDead)
                        dead.insert(name);
                    for (int p = 0; p < kClusterPlayers; ++p)
                        server->addRandomPlayer();
                    names << name;
                }
                joins = new QTimer;
                QObject::connect(joins, &QTimer::timeout, [this] {
                    const QList<SimServer *> servers = group->servers();
                    SimServer *server =
                        servers.at(int(QRandomGenerator::global()->bounded(servers.size())));
                    if (dead.contains(server->name()))
                        return;
                    // One leaves so that the count stays as it is.
                    server->removePlayer(server->players().constFirst().steamId);
                    const QString id = server->addRandomPlayer();
                    QMutexLocker lock(&mutex);
                    joinedAt.insert(id, clock.elapsed());
                });
            },
            Qt::BlockingQueuedConnection);
    }
    ~Cluster() {
        QMetaObject::invokeMethod(
            &context,
            [this] {
                delete joins;
                delete group;
            },
            Qt::BlockingQueuedConnection);
        thread.quit();
        thread.wait();
    }
    void startJoins() {
        QMetaObject::invokeMethod(&context, [this] { joins->start(500); });
    }
    StringTable serverTable() const { return BenchRun::serverTableOf(group->servers()); }
};

void benchVisits(int concurrency, int deadCount, int seconds) {
    Intervals::instance() = Intervals();
    Intervals::instance().pollConcurrency = concurrency;
    Cluster cluster(deadCount);
    QTemporaryDir dir;
    SaveStringGrid(cluster.serverTable(), dir.filePath(QStringLiteral("server.dat")));
    Console console(dir.path());
    // Views over the lists, drawn offscreen, so that their share of a round counts as well.
    QTableView serverView;
    serverView.setModel(console.servers());
    QTableView playerView;
    playerView.setModel(console.playerList());
    QListView logView;
    logView.setUniformItemSizes(true);
    logView.setModel(console.programLog());
    for (QWidget *view : {static_cast<QWidget *>(&serverView), static_cast<QWidget *>(&playerView),
                          static_cast<QWidget *>(&logView)}) {
        view->resize(800, 600);
        view->show();
    }

    QHash<QString, qint64> lastVisit;
    qint64 longestGap = 0;
    QString longestGapServer;
    bool measuring = false;
    qint64 firstPassMs = -1;
    std::vector<qint64> joinDelays;
    StallMeter stalls;
    QObject::connect(console.pollCycle(), &PollCycle::visitEnded, [&](const QString &name) {
        const qint64 now = cluster.clock.elapsed();
        if (measuring && !cluster.dead.contains(name) && lastVisit.contains(name) &&
            now - lastVisit.value(name) > longestGap) {
            longestGap = now - lastVisit.value(name);
            longestGapServer = name;
        }
        lastVisit.insert(name, now);
    });
    QObject::connect(console.state(), &ProgramState::firstPassEnded, [&] {
        firstPassMs = cluster.clock.elapsed();
        measuring = true;
        lastVisit.clear();
        cluster.startJoins();
    });
    QObject::connect(console.players(), &PlayerTracker::message, [&](const QString &text) {
        if (!text.contains(QLatin1String(") joined @ `")))
            return;
        const qsizetype open = text.lastIndexOf(QLatin1String(") joined @"));
        const qsizetype from = text.lastIndexOf(QLatin1Char('('), open);
        const QString id = text.mid(from + 1, open - from - 1);
        QMutexLocker lock(&cluster.mutex);
        if (cluster.joinedAt.contains(id))
            joinDelays.push_back(cluster.clock.elapsed() - cluster.joinedAt.take(id));
    });

    const double cpuBefore = threadCpuSeconds();
    const qint64 startedAt = cluster.clock.elapsed();
    console.start();
    // The first pass, then the measured span: its CPU use with nothing else on this thread, then
    // a third as long again with the stall meter's heartbeat, which costs CPU of its own.
    while (firstPassMs < 0 && cluster.clock.elapsed() - startedAt < 120000)
        waitFor(100);
    const double cpuSteady = threadCpuSeconds();
    const qint64 steadyFrom = cluster.clock.elapsed();
    waitFor(seconds * 1000);
    const double cpuAfter = threadCpuSeconds();
    const qint64 cpuMs = cluster.clock.elapsed() - steadyFrom;
    stalls.start();
    waitFor(std::max(5, seconds / 3) * 1000);
    stalls.stop();
    const qint64 measuredMs = cluster.clock.elapsed() - steadyFrom;
    const qint64 stall = stalls.longestMs();
    // Servers not visited again by the end have waited at least this long.
    int neverAgain = 0;
    for (const QString &name : std::as_const(cluster.names)) {
        if (cluster.dead.contains(name))
            continue;
        if (!lastVisit.contains(name)) {
            ++neverAgain;
            continue;
        }
        const qint64 waiting = cluster.clock.elapsed() - lastVisit.value(name);
        if (waiting > longestGap) {
            longestGap = waiting;
            longestGapServer = name;
        }
    }
    console.pollCycle()->stop();
    const ProcessFigures figures = readProc(QCoreApplication::applicationPid());
    qint64 undetected = 0;
    {
        QMutexLocker lock(&cluster.mutex);
        undetected = cluster.joinedAt.size();
    }
    std::sort(joinDelays.begin(), joinDelays.end());

    std::printf("%s, %d servers (%d dead%s), %d players each, %.0f s after the first pass:\n",
                concurrency == 1 ? "one at a time (baseline)"
                                 : qPrintable(QStringLiteral("%1 visits at once").arg(concurrency)),
                kClusterServers, deadCount,
                deadCount > 0 ? ": silent, unreachable, refusing, closing" : "", kClusterPlayers,
                double(measuredMs) / 1000.0);
    std::printf("  first pass: %.1f s\n", double(firstPassMs - startedAt) / 1000.0);
    if (neverAgain > 0)
        std::printf("  longest time between two visits of a live server: > %.1f s (%d live "
                    "servers not visited again)  goal <= 5 s\n",
                    double(measuredMs) / 1000.0, neverAgain);
    else
        std::printf("  longest time between two visits of a live server: %.2f s (%s)  goal <= "
                    "5 s\n",
                    double(longestGap) / 1000.0, qPrintable(longestGapServer));
    if (joinDelays.empty())
        std::printf("  join to its log line: no join logged (%lld not seen)  goal <= 5 s\n",
                    static_cast<long long>(undetected));
    else
        std::printf("  join to its log line: median %.2f s, max %.2f s over %zu joins (%lld not "
                    "seen by the end)  goal <= 5 s\n",
                    double(joinDelays[joinDelays.size() / 2]) / 1000.0,
                    double(joinDelays.back()) / 1000.0, joinDelays.size(),
                    static_cast<long long>(undetected));
    const double cpuSeconds = double(cpuMs) / 1000.0;
    std::printf("  console CPU (its thread): %.2f%% of one core over %.0f s after the first pass, "
                "%.1f s in the first pass  goal < 2 %%\n",
                100.0 * (cpuAfter - cpuSteady) / cpuSeconds, cpuSeconds, cpuSteady - cpuBefore);
    std::printf("  longest event-loop stall: %lld ms  goal <= 50 ms\n",
                static_cast<long long>(stall));
    std::printf("  peak memory of the bench process (VmHWM, simulators included): %.1f MiB\n",
                double(figures.hwmKb) / 1024.0);
    std::fflush(stdout);
}

void benchVisitComparison(int seconds) {
    const int concurrency = Intervals().pollConcurrency;
    for (const int dead : {10, 0}) {
        benchVisits(concurrency, dead, seconds);
        benchVisits(1, dead, seconds);
    }
}

} // namespace

int main(int argc, char *argv[]) {
    // The comparison draws the lists offscreen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "visits") == 0) {
        const int seconds = argc > 2 ? std::max(1, QString::fromLocal8Bit(argv[2]).toInt()) : 60;
        // One run alone: visits [seconds [concurrency dead-servers]], for a profiler.
        if (argc > 4)
            benchVisits(std::max(1, QString::fromLocal8Bit(argv[3]).toInt()),
                        std::clamp(QString::fromLocal8Bit(argv[4]).toInt(), 0, 50), seconds);
        else
            benchVisitComparison(seconds);
        return 0;
    }
    const int seconds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 60;
    const int churnMs = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 4000;
    benchPass();
    benchConsoleProcess(seconds, 0);
    if (churnMs > 0)
        benchConsoleProcess(seconds, churnMs);
    benchVisitComparison(seconds);
    return 0;
}
