#pragma once

#include "rcon/StatusCode.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <optional>

struct ChannelProfile;
class PlayerTracker;
class ProgramState;
class RconChannel;
class ServerListModel;

// The poll cycle: visits every server of the list in turn, without end, asks it for its players
// and keeps its status, player count and icon current. Visits never overlap; each has a number,
// so a result that arrives late never touches the next visit.
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
    // processed; a result that arrived meanwhile is processed at the last release.
    void hold();
    void release();
    bool isHeld() const { return m_holds > 0; }

    // The computer goes to sleep: the visit under way is dropped. After waking up the cycle
    // starts again at the first server, resumeDelayMs later.
    void suspend();
    void resume();
    // Exit: no further visit starts and the one under way is dropped.
    void stop();

    // The top-level failure handler closes the poll channel; the watchdog ends the visit.
    void closeChannel();

    // 1-based row of the server being visited; 0 before the first visit.
    int currentServerRow() const { return m_currentServerRow; }
    QString currentServerName() const { return m_currentServerName; }
    bool isVisitRunning() const { return m_visitRunning; }
    bool isWaitingForVisit() const { return m_visitStart.isActive(); }
    RconChannel *channel() const { return m_channel; }

    // "N/M Server online": the servers whose state counts as online, of all.
    QString serversOnlineText() const;

signals:
    // A line for the program log.
    void message(const QString &text);
    // The activity indicator: on from the start of a visit until its result is processed.
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
    struct Outcome {
        quint64 visit = 0;
        std::optional<StatusCode> code; // a failed connection or login
        QString body;                   // else the server's answer
    };

    void onVisitStart();
    void onWatchdog();
    void onCompleted(const QString &body);
    void onConnectFailed(StatusCode code);
    void onRefused();
    void onReadFailed();

    void endVisit(const Outcome &outcome);
    void processPending();
    void processOutcome(const Outcome &outcome);
    void applyOutcome(const Outcome &outcome);
    void applyStatusCode(int row, StatusCode code);
    void reportStatus(const QString &word);
    void setOnline(int row);
    void removeErasedServers();
    void advance();
    void dropVisit();
    void setActive(bool active);
    void updateServersOnline();
    // Runs one step; a failure in it is reported as an error entry and the cycle goes on.
    void guarded(const QString &tag, const std::function<void()> &step);

    ServerListModel *m_servers;
    PlayerTracker *m_tracker;
    ProgramState *m_state;
    QString m_programFolder;
    RconChannel *m_channel;
    QTimer m_visitStart;  // Timer2: starts the next visit (200 ms in the first pass, then 900)
    QTimer m_watchdog;    // Timer5: no visit lasts longer than 15 s
    QTimer m_resumeDelay; // the cycle restarts a while after the computer wakes up
    int m_currentServerRow = 0;
    QString m_currentServerName;
    QString m_currentPassword;
    QStringList m_playerLines;
    std::optional<Outcome> m_pending;
    quint64 m_visit = 0;
    bool m_visitRunning = false;
    bool m_active = false;
    int m_holds = 0;
};
