// Peak memory of the update service against a service that never stops sending: checks for an
// update and fetches of the patch notes, each against a change log without end (with no length,
// and announcing 40 MB). Prints the peak RSS before and after, what the service sent, how long
// each answer took and the longest stall of the event loop. A run that does not end within
// --timeout seconds (default 60) is stopped and says so.
#include "update/UpdateService.h"

#include "HttpTestServer.h"
#include "StallMeter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <memory>

#include <sys/resource.h>

namespace {
double peakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

// Runs `start` and waits in the event loop until the service answers; false on a timeout.
template <typename Start> bool answered(UpdateService *service, Start start, int timeoutMs) {
    QEventLoop loop;
    const auto done = [&loop] { loop.quit(); };
    QObject::connect(service, &UpdateService::changeLogTooLarge, &loop, done);
    QObject::connect(service, &UpdateService::patchNotesFetched, &loop, done);
    QObject::connect(service, &UpdateService::noConnection, &loop, done);
    QObject::connect(service, &UpdateService::latestVersionRunning, &loop, done);
    QObject::connect(service, &UpdateService::newerVersionAvailable, &loop, done);
    bool timedOut = false;
    QTimer::singleShot(timeoutMs, &loop, [&] {
        timedOut = true;
        loop.quit();
    });
    start();
    loop.exec();
    return !timedOut;
}
} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    QCommandLineOption rounds(QStringLiteral("rounds"), QStringLiteral("answers per shape"),
                              QStringLiteral("n"), QStringLiteral("5"));
    QCommandLineOption timeout(QStringLiteral("timeout"), QStringLiteral("seconds per answer"),
                               QStringLiteral("s"), QStringLiteral("60"));
    parser.addOptions({rounds, timeout});
    parser.process(app);
    const int roundCount = parser.value(rounds).toInt();
    const int timeoutMs = parser.value(timeout).toInt() * 1000;

    std::printf("Update check against a change log without end (limit %lld KiB)\n",
                static_cast<long long>(UpdateService::kChangeLogLimit / 1024));
    const double baseline = peakMiB();
    struct Shape {
        const char *name;
        qint64 announced;
    };
    for (const Shape &shape : {Shape{"no length", -1}, Shape{"announcing 40 MB", 40000000}}) {
        HttpTestServer server;
        if (!server.start())
            return 1;
        server.setEndless("/corvid/changelog.txt", shape.announced);
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("app.ini"));
        QFile file(ini);
        if (!file.open(QIODevice::WriteOnly))
            return 1;
        file.write("[Update]\r\nurl=" + server.url().toEncoded() + "\r\n");
        file.close();
        auto service = std::make_unique<UpdateService>(ini, dir.filePath(QStringLiteral("kvd")));

        StallMeter stalls;
        stalls.start();
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < roundCount; ++i) {
            UpdateService *s = service.get();
            const bool checked = answered(
                s, [s] { s->checkForUpdate(); }, timeoutMs);
            const bool fetched = answered(
                s, [s] { s->fetchPatchNotes(); }, timeoutMs);
            if (!checked || !fetched) {
                std::printf("  %-17s stopped: no answer within %d s, peak RSS %.0f MiB\n",
                            shape.name, timeoutMs / 1000, peakMiB());
                return 2;
            }
        }
        std::printf("  %-17s %d checks + %d patch notes: %.0f ms each, service sent %.1f MiB, "
                    "longest stall %lld ms\n",
                    shape.name, roundCount, roundCount,
                    double(clock.elapsed()) / (2.0 * roundCount),
                    double(server.endlessBytesSent()) / (1024.0 * 1024.0),
                    static_cast<long long>(stalls.longestMs()));
    }
    std::printf("  peak RSS %.0f MiB (%.0f MiB before the first check)\n", peakMiB(), baseline);
    return 0;
}
