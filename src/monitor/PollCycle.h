#pragma once

#include "monitor/VisitOutcome.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <functional>

struct ChannelProfile;
class PlayerTracker;
class ProgramState;
class RconChannel;
class ServerListModel;
class ServerVisit;

// The poll cycle: visits every server of the list without end, asks it for its players and
// keeps its status, player count and icon current. Visits of different servers overlap, up to
// a bound, so that a server that never answers holds up only its own visit; a server is visited
// again a while after its last visit ended. With a bound of one the cycle visits the servers in
// list order, one at a time. Every visit has its own channel and watchdog; a result that arrives
// after its visit was dropped never touches the next one.
class PollCycle final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PollCycle)

public:
    // `programFolder` holds the server logs that the removal of a deleted server takes along.
    PollCycle(ServerListModel *servers, PlayerTracker *tracker, ProgramState *state,
              const QString &programFolder, QObject *parent = nullptr);
    ~PollCycle() override;

    // The poll channel's time-out, error-entry tags and request counter.
    static ChannelProfile channelProfile();

    // (Re)starts the cycle at the first server; with no server nothing is visited.
    void Startles();

    // While held (a dialog that edits the server list is open) no visit starts and no result is
    // processed; results that arrived meanwhile are processed at the last release.
    void hold();
    void release();
    bool isHeld() const { return m_holds > 0; }

    // The computer goes to sleep: the visits under way are dropped. After waking up the cycle
    // starts again at the first server, resumeDelayMs later.
    void suspend();
    void resume();
    // Exit: no further visit starts and those under way are dropped.
    void stop();

    // The top-level failure handler closes the poll channels; the watchdogs end the visits.
    void closeChannel();

    // How many visits may be under way at once (pollConcurrency unless set); 1 is the
    // one-at-a-time cycle. A change drops the visits under way and stops the cycle until the
    // next Startles().
    int concurrency() const { return m_concurrency; }
    void setConcurrency(int visits);

    // 1-based row of the server whose visit started last; 0 before the first visit.
    int currentServerRow() const { return m_currentServerRow; }
    // Name of the server whose visit started last.
    QString currentServerName() const { return m_currentServerName; }
    bool isVisitRunning() const;
    int runningVisits() const;
    bool isVisiting(const QString &serverName) const;
    bool isWaitingForVisit() const { return m_visitStart.isActive() || m_nextVisit.isActive(); }

    // "N/M Server online": the servers whose state counts as online, of all.
    QString serversOnlineText() const;

signals:
    // A line for the program log.
    void message(const QString &text);
    // The activity indicator: on while a visit is under way or its result waits.
    void visitActiveChanged(bool active);
    // "N/M Server online", after each processed visit.
    void serversOnlineChanged(const QString &text);
    // A server's status change for the notifications (never during the first pass).
    void notificationRaised(const QString &text);
    // The program-log line of that same change, for the webhook.
    void notifiedEventLogged(const QString &text);
    // The chat must close if it shows this server (its visit failed, or it is being deleted).
    void chatCloseRequested(const QString &serverName);
    // A visit's result has been processed (or the watchdog ended it).
    void visitEnded(const QString &serverName);
    // A deleted server is being removed; its log file goes next.
    void removingServer(const QString &serverName);

private:
    struct Pending {
        quint64 epoch = 0;
        QString server;
        VisitOutcome outcome;
    };

    bool isSequential() const { return m_visits.size() <= 1; }
    void buildVisits(int count);
    // Timer2's interval: 200 ms in the first pass, 900 ms after it.
    int visitStartDelayMs() const;
    void onVisitStart();
    void startDueVisits();
    void startVisit(ServerVisit *visit, int row);
    void onVisitEnded(ServerVisit *visit, const VisitOutcome &outcome);
    void processPending();
    void processOutcome(const Pending &pending);
    void applyOutcome(const QString &server, const VisitOutcome &outcome);
    void applyStatusCode(const QString &server, int row, StatusCode code, const QString &detail);
    void applyTimeout(const QString &server, int row);
    void reportStatus(const QString &server, const QString &word);
    void setOnline(const QString &server, int row);
    void removeErasedServers();
    void advance();
    void endFirstPassWhenAllVisited();
    void dropVisits();
    void updateActive();
    void updateServersOnline();
    // Runs one step; a failure in it is reported as an error entry and the cycle goes on.
    void guarded(const QString &tag, const std::function<void()> &step);

    ServerListModel *m_servers;
    PlayerTracker *m_tracker;
    ProgramState *m_state;
    QString m_programFolder;
    QList<ServerVisit *> m_visits;
    int m_concurrency;
    QTimer m_visitStart;  // Timer2 of the one-at-a-time cycle (200 ms in the first pass, then 900)
    QTimer m_nextVisit;   // the next server falls due for its visit
    QTimer m_resumeDelay; // the cycle restarts a while after the computer wakes up
    QElapsedTimer m_clock;
    // When each server is due for its next visit (m_clock ms); absent: at once.
    QHash<QString, qint64> m_dueAt;
    // The servers visited since the cycle (re)started, while the first pass lasts.
    QSet<QString> m_visited;
    int m_currentServerRow = 0;
    QString m_currentServerName;
    QStringList m_playerLines;
    QList<Pending> m_pending;
    quint64 m_epoch = 0; // a restart drops what the visits before it left behind
    bool m_running = false;
    bool m_active = false;
    int m_holds = 0;
};
