// The background chat watch on a slow network: the real console with 100 simulated servers that
// all show online, whose GetGameLog answers each take 1.5 s, 10 of them never answering it at
// all. It prints the longest time between two fetches of an answering server (from the end of
// one of its steps to the end of the next) and the console's longest event-loop stall.
//
//   bench_watch [seconds [steps-at-once]]   (default 150 s after the first pass, the operating
//   bound of steps at once; 1 shows the one-at-a-time watch)

#include "base/Intervals.h"
#include "base/ProgramState.h"
#include "chat/BackgroundWatch.h"
#include "console/Console.h"
#include "monitor/PollCycle.h"
#include "servers/TableFile.h"

#include "BenchRun.h"
#include "SimGroup.h"
#include "SimServer.h"
#include "StallMeter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace {

using BenchRun::waitFor;

constexpr int kServers = 100;
constexpr int kSilent = 10;
constexpr int kAnswerMs = 1500;
constexpr int kNeverMs = 24 * 3600 * 1000;

// The simulated servers on a thread of their own, so that their work is not counted as ours.
struct Servers {
    QThread thread;
    QObject context;
    SimGroup *group = nullptr;
    QSet<QString> silent;

    Servers() {
        thread.start();
        context.moveToThread(&thread);
        QMetaObject::invokeMethod(
            &context,
            [this] {
                group = new SimGroup;
                for (int i = 0; i < kServers; ++i) {
                    const QString name = QStringLiteral("Node %1").arg(i, 3, 10, QLatin1Char('0'));
                    SimServer *server = group->addServer(name, QStringLiteral("secret"));
                    server->addRandomPlayer();
                    // Their players are listed at once, so the poll cycle shows them online;
                    // only the log requests are slow, or never answered.
                    server->setFault(SimServer::SlowLogs);
                    const bool isSilent = i % (kServers / kSilent) == 5;
                    server->setAnswerDelayMs(isSilent ? kNeverMs : kAnswerMs);
                    if (isSilent)
                        silent.insert(name);
                }
                group->startChurn(3000);
            },
            Qt::BlockingQueuedConnection);
    }
    ~Servers() {
        QMetaObject::invokeMethod(
            &context, [this] { delete group; }, Qt::BlockingQueuedConnection);
        thread.quit();
        thread.wait();
    }
    StringTable serverTable() const { return BenchRun::serverTableOf(group->servers()); }
};

void benchWatch(int seconds, int stepsAtOnce) {
    Intervals::instance() = Intervals();
    Intervals::instance().watchConcurrency = stepsAtOnce;
    Servers servers;
    QTemporaryDir dir;
    SaveStringGrid(servers.serverTable(), dir.filePath(QStringLiteral("server.dat")));
    Console console(dir.path());
    BackgroundWatch *watch = console.backgroundWatch();

    QElapsedTimer clock;
    clock.start();
    QHash<QString, qint64> lastFetch;
    qint64 longestGap = 0;
    QString longestGapServer;
    int mostUnderWay = 0;
    qint64 firstPassMs = -1;
    StallMeter stalls;
    QObject::connect(watch, &BackgroundWatch::stepStarted,
                     [&] { mostUnderWay = std::max(mostUnderWay, watch->runningSteps()); });
    QObject::connect(watch, &BackgroundWatch::stepEnded, [&](const QString &name) {
        if (servers.silent.contains(name))
            return;
        const qint64 now = clock.elapsed();
        if (lastFetch.contains(name) && now - lastFetch.value(name) > longestGap) {
            longestGap = now - lastFetch.value(name);
            longestGapServer = name;
        }
        lastFetch.insert(name, now);
    });
    QObject::connect(console.state(), &ProgramState::firstPassEnded, [&] {
        firstPassMs = clock.elapsed();
        stalls.start();
    });

    console.start();
    // After the start-up, which reads the options from the settings.
    ProgramOptions options = console.state()->options();
    options.backgroundChat = true;
    console.state()->setOptions(options);
    while (firstPassMs < 0 && clock.elapsed() < 120000)
        waitFor(100);
    waitFor(seconds * 1000);
    const qint64 endMs = clock.elapsed();
    const qint64 stall = stalls.longestMs();
    // A server not fetched again by the end has waited at least since its last fetch.
    int neverFetched = 0;
    for (const SimServer *server : servers.group->servers()) {
        const QString &name = server->name();
        if (servers.silent.contains(name))
            continue;
        if (!lastFetch.contains(name)) {
            ++neverFetched;
            continue;
        }
        if (endMs - lastFetch.value(name) > longestGap) {
            longestGap = endMs - lastFetch.value(name);
            longestGapServer = name;
        }
    }
    watch->stop();
    console.pollCycle()->stop();

    std::printf("background watch, steps at once: %d, %d servers online (%d never answer the "
                "watch, the others in %.1f s), %.0f s after the first pass:\n",
                stepsAtOnce, kServers, kSilent, kAnswerMs / 1000.0,
                double(endMs - firstPassMs) / 1000.0);
    if (neverFetched > 0)
        std::printf("  longest time between two fetches of a server: > %.1f s (%d answering "
                    "servers never fetched)  goal <= 60 s\n",
                    double(endMs - firstPassMs) / 1000.0, neverFetched);
    else
        std::printf("  longest time between two fetches of a server: %.1f s (%s)  goal <= 60 s\n",
                    double(longestGap) / 1000.0, qPrintable(longestGapServer));
    std::printf("  most steps under way at once: %d\n", mostUnderWay);
    std::printf("  longest event-loop stall: %lld ms  goal <= 50 ms\n",
                static_cast<long long>(stall));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 150;
    const int stepsAtOnce = argc > 2 ? std::max(1, QString::fromLocal8Bit(argv[2]).toInt())
                                     : Intervals().watchConcurrency;
    benchWatch(seconds, stepsAtOnce);
    return 0;
}
