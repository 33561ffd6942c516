// The poll cycle's own cost: a pass over 20 simulated servers (time per visit beyond the
// visit-start delay), then the real console polling 20 simulated servers for 60 s (CPU use
// of its process and its peak memory).
//
//   bench_monitor [seconds [churn-ms]]   (default 60 s; the console runs once with players who
//   stay and once with players joining and leaving every 4000 ms on each server, 0 skips that
//   run; the console executable is found beside bench/)

#include "base/Intervals.h"
#include "console/Console.h"
#include "monitor/PlayerTracker.h"
#include "monitor/PollCycle.h"
#include "servers/ServerListFile.h"
#include "servers/TableFile.h"

#include "SimServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

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
    StringTable serverTable() const {
        StringTable table = ServerListFile::emptyTable();
        for (const SimServer *server : servers)
            table.appendRow(
                {server->name(), server->host(), server->portText(), server->password()});
        return table;
    }
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

void waitFor(int ms) {
    QTimer::singleShot(ms, QCoreApplication::instance(), &QCoreApplication::quit);
    QCoreApplication::exec();
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

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 60;
    const int churnMs = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 4000;
    benchPass();
    benchConsoleProcess(seconds, 0);
    if (churnMs > 0)
        benchConsoleProcess(seconds, churnMs);
    return 0;
}
