#include "stats/StatisticsRunner.h"

#include "base/Clock.h"
#include "servers/TableFile.h"

#include <QtConcurrent/QtConcurrentRun>

StatisticsRunner::StatisticsRunner(const QString &logsDir, QObject *parent)
    : QObject(parent)
    , m_logsDir(logsDir) {
    connect(&m_watcher, &QFutureWatcherBase::finished, this, &StatisticsRunner::buildFinished);
}

// A build still running finishes on its own; its result goes nowhere.
StatisticsRunner::~StatisticsRunner() = default;

void StatisticsRunner::request(const QStringList &logLines) {
    if (!m_building) {
        start(logLines);
        return;
    }
    // The log's lines are shared until the log changes, so equal data means equal lines.
    const bool sameAsRunning =
        logLines.constData() == m_running.constData() && logLines.size() == m_running.size();
    if (sameAsRunning)
        m_pending.reset();
    else
        m_pending = logLines;
}

void StatisticsRunner::start(const QStringList &logLines) {
    m_building = true;
    ++m_buildsStarted;
    m_running = logLines;
    const QString path = m_logsDir + QStringLiteral("/sumtar.his");
    const QDate today = Clock::today();
    m_watcher.setFuture(QtConcurrent::run([logLines, today, path] {
        Build build{BuildStatistics(logLines, today), false, QString()};
        build.saved = SaveStringGrid(build.statistics.table, path, &build.saveError);
        return build;
    }));
}

void StatisticsRunner::buildFinished() {
    Build build = m_watcher.result();
    m_building = false;
    m_running.clear();
    if (build.saved) {
        m_saveFailing = false;
    } else if (!m_saveFailing) {
        m_saveFailing = true;
        emit message(
            tr("Failed to save %1: %2").arg(QStringLiteral("logs/sumtar.his"), build.saveError));
    }
    m_statistics = std::move(build.statistics);
    if (m_pending) {
        const QStringList next = *m_pending;
        m_pending.reset();
        start(next);
        return;
    }
    emit finished();
}
