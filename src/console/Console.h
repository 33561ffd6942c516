#pragma once

#include "base/AppSettings.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

class BackgroundWatch;
class BanListModel;
class ChatSession;
class ConsoleSession;
class CommandHistory;
class CommandPort;
class CommandQueue;
class CommandSender;
class Notifier;
class PlayerListModel;
class PlayerTracker;
class PollCycle;
class PowerMonitor;
class ProgramLog;
class ProgramState;
class QueueModel;
class QueueScheduler;
class ScheduleRunner;
class ScriptFolder;
class ServerEditor;
class ServerListModel;
class Settings;
class UpdateService;
class StatisticsRunner;
class WebhookPoster;

// The composition root: owns the program log, the server list, the shared program state and
// every subsystem, wires them to each other, and runs the start-up and exit sequences. Nothing
// below it knows it; the window lays itself out around it.
class Console final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Console)

public:
    using QueueColumnWidths = decltype(WindowLayout::lv4col);

    // `folder` is the program folder; "logs", "server.dat" and "app.ini" are resolved against it.
    explicit Console(const QString &folder, QObject *parent = nullptr);
    ~Console() override;

    QString folder() const { return m_folder; }
    QString filePath(const QString &relativeName) const;
    QString settingsPath() const { return filePath(QStringLiteral("app.ini")); }

    ProgramState *state() const { return m_state; }
    // app.ini's owner: every option changes through it.
    Settings *settings() const { return m_settings; }
    ProgramLog *programLog() const { return m_log; }
    ServerListModel *servers() const { return m_servers; }
    PollCycle *pollCycle() const { return m_poll; }
    PlayerTracker *players() const { return m_players; }
    PlayerListModel *playerList() const { return m_playerList; }
    // Decides the alerts for what the poll cycle finds; the window presents them.
    Notifier *notifier() const { return m_notifier; }
    // Posts the notified events to the chat server's webhook of app.ini ("[Notify] webhook=").
    WebhookPoster *webhook() const { return m_webhook; }
    // The chat of one server, and the background watch over the others.
    ChatSession *chat() const { return m_chat; }
    BackgroundWatch *backgroundWatch() const { return m_watch; }
    // Kicks, bans and queued commands reach the servers through the sender, one at a time.
    CommandSender *commands() const { return m_commands; }
    // The queued commands, and the queue view's table over them.
    CommandQueue *queue() const { return m_queue; }
    QueueModel *queueModel() const { return m_queueModel; }
    QueueScheduler *scheduler() const { return m_scheduler; }
    ScriptFolder *scripts() const { return m_scripts; }
    // The recurring schedules of "scripts/schedules.ini", queued run by run.
    ScheduleRunner *schedules() const { return m_schedules; }
    // The publisher's update service, for the About page of the options dialog.
    UpdateService *updates() const { return m_updates; }
    // Adds, changes and deletes servers (the server dialog and the server menu).
    ServerEditor *serverEditor() const { return m_editor; }
    // Builds the player statistics from the program log off the user-interface thread.
    StatisticsRunner *statistics() const { return m_statistics; }
    // The console tab: any command to one server or to all online ones, its history
    // ("console_history.txt") and the bans read back from the program log.
    ConsoleSession *consoleSession() const { return m_consoleSession; }
    CommandHistory *commandHistory() const { return m_history; }
    BanListModel *bans() const { return m_bans; }

    // The start-up sequence, once: the logs folder, app.ini, the server list, the program log
    // with its start line, the poll cycle, the periodic save of the log, the script list, and the
    // command queue with its scheduler and the recurring schedules.
    void start();
    bool isStarted() const { return m_started; }
    // What app.ini gave at start-up over the built-in values, for the window to lay itself out;
    // hadSettingsFile() is false when there was no file (the window then uses its own layout).
    const AppSettings::Values &startSettings() const;
    bool hadSettingsFile() const;
    // The queue view's column widths, which the queue file stores as well: after start-up the
    // file's when it has them (it is written with every change of the queue, so they are newer
    // than app.ini's), else app.ini's. The window tells each change; every write of the queue
    // file carries them.
    QueueColumnWidths queueColumnWidths() const { return m_queueColumnWidths; }
    void setQueueColumnWidths(const QueueColumnWidths &widths) { m_queueColumnWidths = widths; }

    // The exit sequence, once: the layout to app.ini ("Error saving settings" when that fails),
    // a "Program exit" line per player online, the last save of the program log, and the
    // command queue's file.
    void shutDown(const WindowLayout &layout, const QString &chatName);
    // Without a window there is no layout to keep.
    void shutDown();
    bool isShutDown() const { return m_shutDown; }

    // What no handler caught: the poll channel is closed and an error entry written.
    void masterFailure(const QString &message, const QString &where);

    // Message entry into the program log, or held until the log is loaded at start-up.
    void message(const QString &text);

signals:
    // Exit is under way: the owners of live state write their last entries now.
    void aboutToExit();
    void pollChannelCloseRequested();
    // The server dialog renamed a server: queued commands follow the new name.
    void serverRenamed(const QString &oldName, const QString &newName);

private:
    void loadServerList();
    void loadProgramLog();
    void finish(const WindowLayout *layout, const QString &chatName);
    void endMonitoring();

    QString m_folder;
    ProgramState *m_state;
    ProgramLog *m_log;
    ServerListModel *m_servers;
    PowerMonitor *m_power;
    PlayerTracker *m_players;
    PlayerListModel *m_playerList;
    PollCycle *m_poll;
    Notifier *m_notifier;
    WebhookPoster *m_webhook;
    Settings *m_settings;
    BackgroundWatch *m_watch;
    ChatSession *m_chat;
    CommandSender *m_commands;
    CommandQueue *m_queue;
    QueueModel *m_queueModel;
    QueueScheduler *m_scheduler;
    ScriptFolder *m_scripts;
    ScheduleRunner *m_schedules;
    UpdateService *m_updates;
    ServerEditor *m_editor;
    StatisticsRunner *m_statistics;
    CommandHistory *m_history;
    CommandPort *m_consolePort;
    ConsoleSession *m_consoleSession;
    BanListModel *m_bans;
    QTimer m_logSaveTimer; // Timer9: writes the program log every 10 s
    QueueColumnWidths m_queueColumnWidths;
    QStringList m_heldMessages;
    bool m_logLoaded = false;
    bool m_started = false;
    bool m_shutDown = false;
};
