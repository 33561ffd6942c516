// Prints the costs of the player statistics on a full program log of 100,000 generated lines
// (2,000 players, 30 servers): the build beside the step-by-step build on the same log, the
// build's peak memory, and the longest event-loop stall of the real window while its
// "Statistics" tab shows the table and then the diagram.
// Targets: build under 300 ms and at least 100 times faster; no stall over 100 ms.
// `--no-reference` leaves out the step-by-step build, which takes minutes.
#include "base/ProgramLog.h"
#include "base/TextFile.h"
#include "console/Console.h"
#include "stats/PlayerStatistics.h"
#include "stats/StatisticsRunner.h"
#include "ui/LogPanel.h"
#include "ui/MainWindow.h"
#include "ui/StatisticsChartView.h"
#include "ui/StatisticsPanel.h"

#include "../tests/support/StatisticsLogs.h"
#include "../tests/support/StatisticsReference.h"

#include "StallMeter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

const StatisticsLogs::Shape kShape{100000, 2000, 30, false, 20260301};

qint64 statusKb(const char *field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(qstrlen(field))).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

// Lets the peak resident size start again from the current one (Linux 4.0 and later).
bool resetPeak() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Runs `work` in the event loop, then the loop until `done` holds (at most `ms`) and `settleMs`
// more, and returns the longest gap between the ticks of a 2 ms heartbeat; the synchronous part
// of `work` counts, as the operator feels it.
qint64 longestStall(const std::function<void()> &work, const std::function<bool()> &done, int ms,
                    int settleMs, qint64 *tookMs) {
    StallMeter meter;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(1);
    *tookMs = -1;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (*tookMs < 0 && done()) {
            *tookMs = meter.elapsedMs();
            QTimer::singleShot(settleMs, &loop, &QEventLoop::quit);
        }
    });
    meter.start();
    QTimer::singleShot(0, [&] {
        work();
        poll.start();
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return meter.longestMs();
}

void benchBuild(const QStringList &log, bool withReference) {
    std::vector<double> ms;
    PlayerStatistics statistics;
    for (int i = 0; i < 7; ++i) {
        QElapsedTimer timer;
        timer.start();
        statistics = BuildStatistics(log, StatisticsLogs::today());
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    const double fast = median(ms);
    std::printf("log: %lld lines, %d players, %d servers\n", static_cast<long long>(log.size()),
                statistics.playerCount(), int(statistics.servers().size()));
    std::printf("build: median %.1f ms of 7 (target < 300 ms)\n", fast);

    // In a fresh process: here the heap keeps what the earlier builds freed, and a build would
    // reuse it without the resident size showing it.
    QTemporaryDir dir;
    const QString logFile = dir.filePath(QStringLiteral("kvd.log"));
    TextFile::writeLines(logFile, log);
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--peak-of"), logFile});
    child.waitForFinished(120000);
    std::printf("build: %s", child.readAllStandardOutput().constData());

    if (!withReference)
        return;
    std::printf("step-by-step build: running (players x servers x lines)...\n");
    std::fflush(stdout);
    QElapsedTimer timer;
    timer.start();
    const StringTable reference =
        StatisticsReference::buildStatistics(log, StatisticsLogs::today());
    const double slow = double(timer.nsecsElapsed()) / 1e6;
    QHash<QString, QStringList> rows;
    for (int r = 1; r < reference.rowCount(); ++r)
        rows.insert(reference.cell(0, r), reference.row(r));
    bool same = reference.row(0) == statistics.table.row(0) &&
                reference.rowCount() == statistics.table.rowCount();
    for (int r = 1; same && r < statistics.table.rowCount(); ++r)
        same = rows.value(statistics.table.cell(0, r)) == statistics.table.row(r);
    std::printf("step-by-step build: %.0f ms; the build is %.0f times faster (target >= 100); "
                "same rows: %s\n",
                slow, slow / fast, same ? "yes" : "NO");
}

void benchWindow(const QStringList &log) {
    QTemporaryDir folder;
    QDir(folder.path()).mkpath(QStringLiteral("logs"));
    TextFile::writeLines(folder.filePath(QStringLiteral("logs/kvd.log")), log);
    Console console(folder.path());
    MainWindow window(&console);
    window.show();
    window.runStartUp();
    QCoreApplication::processEvents();
    LogPanel *panel = window.logPanel();
    StatisticsPanel *statistics = panel->statisticsPage();

    qint64 tookMs = 0;
    const qint64 tableStall =
        longestStall([&] { panel->setCurrentWidget(statistics); },
                     [&] { return !statistics->showsPlaceholder(); }, 20000, 500, &tookMs);
    std::printf("window: Statistics tab, %lld log lines: table shown after %lld ms, longest "
                "event-loop stall %lld ms (target < 100 ms)\n",
                static_cast<long long>(console.programLog()->lines().size()),
                static_cast<long long>(tookMs), static_cast<long long>(tableStall));

    const qint64 diagramStall =
        longestStall([&] { statistics->innerTabs()->setCurrentWidget(statistics->diagram()); },
                     [] { return true; }, 20000, 800, &tookMs);
    std::printf("window: Diagram tab with %d players x %d servers: longest event-loop stall "
                "%lld ms (target < 100 ms)\n",
                statistics->diagram()->playerCount(),
                int(console.statistics()->statistics().servers().size()),
                static_cast<long long>(diagramStall));

    const qint64 againStall = longestStall(
        [&] {
            panel->setCurrentIndex(0);
            panel->setCurrentWidget(statistics);
        },
        [&] { return !statistics->showsPlaceholder(); }, 20000, 800, &tookMs);
    std::printf("window: back to the Statistics tab with the diagram showing: shown after %lld "
                "ms, longest event-loop stall %lld ms (target < 100 ms)\n",
                static_cast<long long>(tookMs), static_cast<long long>(againStall));

    // The wheel turned out step by step, one step per pass of the event loop, until every player
    // is in view: the worst case, with a bar for every player and server.
    StatisticsChartView *diagram = statistics->diagram();
    QTimer wheel;
    int steps = 0;
    double lastSpan = -1;
    QObject::connect(&wheel, &QTimer::timeout, [&] {
        const double span = diagram->playerAxisMax() - diagram->playerAxisMin();
        if (span == lastSpan) {
            wheel.stop();
            return;
        }
        lastSpan = span;
        diagram->zoomOutStep();
        ++steps;
    });
    const qint64 zoomStall = longestStall([&] { wheel.start(0); },
                                          [&] { return !wheel.isActive(); }, 120000, 500, &tookMs);
    std::printf("window: wheel turned out %d steps until %.0f of %d players are in view (%lld "
                "bars): took %lld ms, longest event-loop stall %lld ms\n",
                steps, diagram->playerAxisMax() - diagram->playerAxisMin(), diagram->playerCount(),
                static_cast<long long>(diagram->scene()->items().size()),
                static_cast<long long>(tookMs), static_cast<long long>(zoomStall));
    console.shutDown();
}

// The resident memory that one build adds at its peak, the log already loaded.
int printPeakOf(const QString &logFile) {
    const QStringList log = TextFile::readLines(logFile);
    const qint64 before = statusKb("VmRSS:");
    if (!resetPeak()) {
        std::printf("peak memory not measurable here (no /proc/self/clear_refs)\n");
        return 0;
    }
    const PlayerStatistics statistics = BuildStatistics(log, StatisticsLogs::today());
    const qint64 peak = statusKb("VmHWM:");
    std::printf("peak memory %lld kB above the %lld kB of the process holding the log (%d "
                "players)\n",
                static_cast<long long>(peak - before), static_cast<long long>(before),
                statistics.playerCount());
    return 0;
}

} // namespace

int main(int argc, char *argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && qstrcmp(argv[1], "--peak-of") == 0) {
        QCoreApplication app(argc, argv);
        return printPeakOf(QString::fromLocal8Bit(argv[2]));
    }
    QApplication app(argc, argv);
    const bool withReference = !app.arguments().contains(QStringLiteral("--no-reference"));
    const QStringList log = StatisticsLogs::generate(kShape);
    benchBuild(log, withReference);
    benchWindow(log);
    return 0;
}
