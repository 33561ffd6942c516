#pragma once

#include "stats/PlayerStatistics.h"

#include <QFutureWatcher>
#include <QObject>
#include <QStringList>

#include <optional>

// Builds the player statistics off the user-interface thread from a snapshot of the program
// log's lines and writes them to "sumtar.his" in the logs folder. At most one build runs and at
// most one waits, so switching to the statistics again and again never piles builds up.
class StatisticsRunner final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatisticsRunner)

public:
    explicit StatisticsRunner(const QString &logsDir, QObject *parent = nullptr);
    ~StatisticsRunner() override;

    // A build of these lines (newest first). While one runs, this request waits and replaces any
    // request still waiting; lines identical to the running build's need no second build.
    void request(const QStringList &logLines);

    bool isBuilding() const { return m_building; }
    // The newest finished build.
    const PlayerStatistics &statistics() const { return m_statistics; }
    int buildsStarted() const { return m_buildsStarted; }

signals:
    // statistics() holds a new build and no newer request waits.
    void finished();
    void message(const QString &text);

private:
    struct Build {
        PlayerStatistics statistics;
        bool saved = false;
        QString saveError;
    };

    void start(const QStringList &logLines);
    void buildFinished();

    QString m_logsDir;
    QFutureWatcher<Build> m_watcher;
    QStringList m_running;
    std::optional<QStringList> m_pending;
    PlayerStatistics m_statistics;
    int m_buildsStarted = 0;
    bool m_building = false;
    bool m_saveFailing = false;
};
