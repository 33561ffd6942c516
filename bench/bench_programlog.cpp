// Prints the costs of the program log at its full size of 100,000 lines: one entry, the whole
// save, the start-up load, and the peak memory of the running console holding such a log.
#include "base/ProgramLog.h"
#include "base/TextFile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <vector>

namespace {
QStringList fullLog() {
    QStringList lines;
    lines.reserve(ProgramLog::kMaxLines);
    for (int i = 0; i < ProgramLog::kMaxLines; ++i)
        lines << QStringLiteral(
                     "[261209-101010] Player: `Survivor %1´ (7656119800%2) has left `The "
                     "Island´ - Duration {01:02:03}")
                     .arg(i)
                     .arg(i, 7, 10, QLatin1Char('0'));
    return lines;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void benchEntries(const QString &dir, bool withView) {
    ProgramLog log(dir);
    log.setLines(fullLog());
    QListView view;
    if (withView) {
        view.setUniformItemSizes(true);
        view.setModel(&log);
        view.resize(800, 400);
        view.show();
    }
    constexpr int kEntries = 20000;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < kEntries; ++i)
        log.message(QStringLiteral("Serverstatus (Server %1):  Online").arg(i));
    const double us = double(timer.nsecsElapsed()) / 1000.0 / kEntries;
    std::printf("log into a full 100,000-line log%s: %.2f us per entry (target < 20 us)\n",
                withView ? " shown in its view" : "", us);
}

void benchSave(const QString &dir) {
    ProgramLog log(dir);
    log.setLines(fullLog());
    std::vector<double> ms;
    for (int i = 0; i < 9; ++i) {
        QElapsedTimer timer;
        timer.start();
        log.savelog();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("savelog of 100,000 lines (%lld bytes): median %.1f ms (target < 150 ms)\n",
                QFile(dir + QStringLiteral("/kvd.log")).size(), median(ms));
}

void benchLoad(const QString &dir) {
    std::vector<double> ms;
    for (int i = 0; i < 9; ++i) {
        ProgramLog log(dir);
        QElapsedTimer timer;
        timer.start();
        log.load();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("start-up load of a 100,000-line log (backup refresh included): median %.1f ms "
                "(target < 300 ms)\n",
                median(ms));
}

// The real console, headless, with a full log: its peak resident memory once started.
void benchConsoleMemory(const QString &kvd) {
    QTemporaryDir install;
    QTemporaryDir runtime;
    QFile::copy(kvd, install.filePath(QStringLiteral("kvd")));
    QDir(install.path()).mkpath(QStringLiteral("logs"));
    TextFile::writeLines(install.filePath(QStringLiteral("logs/kvd.log")), fullLog());

    QProcess console;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    console.setProcessEnvironment(env);
    console.start(install.filePath(QStringLiteral("kvd")), {});
    if (!console.waitForStarted()) {
        std::printf("console did not start\n");
        return;
    }
    const QString backup = install.filePath(QStringLiteral("logs/kvd.bck"));
    for (int i = 0; i < 200 && !QFile::exists(backup); ++i)
        QThread::msleep(50);
    QThread::msleep(2000); // let the first layout and paint settle
    QFile status(QStringLiteral("/proc/%1/status").arg(console.processId()));
    QByteArray peak = "?";
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("VmHWM:"))
                peak = line.mid(6).trimmed();
        }
    }
    ::kill(pid_t(console.processId()), SIGTERM);
    console.waitForFinished(20000);
    std::printf("running console holding 100,000 log lines: peak memory %s (target < 120 MB)\n",
                peak.constData());
}
} // namespace

int main(int argc, char *argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    benchEntries(dir.path(), false);
    benchEntries(dir.path(), true);
    benchSave(dir.path());
    benchLoad(dir.path());
    benchConsoleMemory(QCoreApplication::applicationDirPath() + QStringLiteral("/../kvd"));
    return 0;
}
