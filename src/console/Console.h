#pragma once

#include "base/ProgramOptions.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

class BackgroundWatch;
class ChatSession;
class Notifier;
class PlayerListModel;
class PlayerTracker;
class PollCycle;
class PowerMonitor;
class ProgramLog;
class ServerListModel;

// The console's state outside the window: program log, server list, options, the program-wide
// flags, and the pieces of the start-up and exit sequences that touch no widget.
class Console final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Console)

public:
    // `folder` is the program folder; "logs", "server.dat" and "app.ini" are resolved against it.
    explicit Console(const QString &folder, QObject *parent = nullptr);
    ~Console() override;

    QString folder() const { return m_folder; }
    QString filePath(const QString &relativeName) const;
    QString settingsPath() const { return filePath(QStringLiteral("app.ini")); }

    ProgramLog *programLog() const { return m_log; }
    ServerListModel *servers() const { return m_servers; }
    PollCycle *pollCycle() const { return m_poll; }
    PlayerTracker *players() const { return m_players; }
    PlayerListModel *playerList() const { return m_playerList; }
    // Decides the alerts for what the poll cycle finds; the window presents them.
    Notifier *notifier() const { return m_notifier; }
    // The chat of one server, and the background watch over the others.
    ChatSession *chat() const { return m_chat; }
    BackgroundWatch *backgroundWatch() const { return m_watch; }
    ProgramOptions &options() { return m_options; }
    const ProgramOptions &options() const { return m_options; }

    bool isSuspended() const { return m_suspended; }
    bool isFirstPass() const { return m_firstPass; }
    void setFirstPass(bool firstPass) { m_firstPass = firstPass; }
    bool isStarted() const { return m_started; }

    // Start-up steps that touch files: the logs folder, the server list, the program log with
    // its start line. Messages raised before the program log exists are entered after it.
    void createFolders();
    void loadServerList();
    void loadProgramLog();
    // The periodic save of the program log runs from here on.
    void finishStartUp();

    // Exit: the final save of the program log (once). Later steps hook in before it through
    // aboutToExit().
    void shutDown();

    // What no handler caught: the poll channel is closed and an error entry written.
    void masterFailure(const QString &message, const QString &where);

    // Message entry into the program log, or held until the log is loaded at start-up.
    void message(const QString &text);

    QString serversOnlineText() const;

signals:
    void suspended();
    void resumed();
    // Exit is under way: the owners of live state write their last entries now.
    void aboutToExit();
    void pollChannelCloseRequested();

private:
    void onSuspending();
    void onResumed();
    void endMonitoring();

    QString m_folder;
    ProgramOptions m_options;
    ProgramLog *m_log;
    ServerListModel *m_servers;
    PowerMonitor *m_power;
    PlayerTracker *m_players;
    PlayerListModel *m_playerList;
    PollCycle *m_poll;
    Notifier *m_notifier;
    BackgroundWatch *m_watch;
    ChatSession *m_chat;
    QTimer m_logSaveTimer; // Timer9: writes the program log every 10 s
    QStringList m_heldMessages;
    bool m_logLoaded = false;
    bool m_suspended = false;
    bool m_firstPass = true;
    bool m_started = false;
    bool m_shutDown = false;
};
