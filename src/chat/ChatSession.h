#pragma once

#include "chat/ChatLineProcessor.h"
#include "rcon/StatusCode.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

struct ChannelProfile;
class ChatLog;
class ProgramState;
class RconChannel;
class ServerChatLog;
class ServerListModel;

// The chat of one server: its channel asks for new lines a second after each answer, the lines
// go into the chat log and the server's log file, and the operator's chat lines and broadcasts
// go out on the same channel. The server list shows the chat's server as "Chat/Online". While a
// step of the background watch is under way on the chosen server, the opening waits for that
// step to end (the console tells the chat where the watch's steps are, and the watch when the
// chat wants its server).
class ChatSession final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChatSession)

public:
    // The names of the players online on one server, in the player list's order.
    using PlayerSource = std::function<QStringList(const QString &serverName)>;

    // `programFolder` holds the server logs.
    ChatSession(ServerListModel *servers, ProgramState *state, const QString &programFolder,
                QObject *parent = nullptr);
    ~ChatSession() override;

    // The chat channel's time-out, error-entry tags and request counter.
    static ChannelProfile channelProfile();

    void setPlayerSource(PlayerSource source);

    ChatLog *chatLog() const;
    RconChannel *channel() const { return m_channel; }

    // The chat label: the open chat's server name, else "Channel offline".
    QString chatLabel() const;
    static QString offlineLabel();
    bool isOpen() const { return !m_server.isEmpty(); }
    // The opening waits for the background watch to leave the chosen server.
    bool isWaiting() const { return !m_waitingFor.isEmpty(); }
    QStringList chatPlayers() const { return m_players; }
    // The tick of the server menu's "Chat" item.
    bool isMenuChecked() const { return m_menuChecked; }

public slots:
    // The server list's "Chat" item for the selected server (empty: none selected): opens its
    // chat, or closes it when it is the open one.
    void Chat1Click(const QString &selectedServer);
    // Closes the chat; with none open it only repeats the closed state.
    void chataus();
    // Refills the chat player list with the players on `serverName`.
    void playertochat(const QString &serverName);
    // The player table changed: the list follows the chat's server.
    void refreshPlayers();
    // The input as a chat line under `chatName` (Send, Enter); false when nothing was sent.
    bool sendChat(const QString &text, const QString &chatName);
    // The input as a broadcast; false when nothing was sent.
    bool sendBroadcast(const QString &text);
    // Empties the chat and deletes the server's log file; the channel stays open.
    bool deleteLogfile();
    // The poll cycle failed or deletes this server: its chat closes.
    void serverFailed(const QString &serverName);
    // A background watch step on `serverName` has started or ended. An opening that waits for
    // the watch to leave its server goes on once that server's step has ended.
    void watchStepStarted(const QString &serverName);
    void watchStepEnded(const QString &serverName);

signals:
    // A line for the program log.
    void message(const QString &text);
    void chatOpened(const QString &serverName);
    void chatClosed();
    // While true the window shows "working..." and keeps its left-hand lists disabled.
    void waitingChanged(bool waiting);
    void chatPlayersChanged(const QStringList &names);
    void menuCheckedChanged(bool checked);
    // A chat line went out: the view shows its end.
    void scrollToEndRequested();
    // The chat closed because of a failure; the text went to the program log as well.
    void chatFailed(const QString &text);
    // The opening has waited long enough: the background watch gives `serverName` up now.
    void serverWanted(const QString &serverName);

private:
    void openChat(const QString &serverName);
    void finishWait();
    void onCompleted(const QString &body, const QString &command);
    void onRerequest();
    void onResumed();
    void failChat(const QString &reason);
    void processBody(const QString &body);
    void setMenuChecked(bool checked);
    bool send(const QString &command);

    ServerListModel *m_servers;
    ProgramState *m_state;
    RconChannel *m_channel;
    ServerChatLog *m_log;
    PlayerSource m_playerSource;
    QTimer m_rerequest; // Timer8: the next request a second after each answer
    QTimer m_busyWait;  // the opening waits for the background watch at most this long
    QString m_server;
    QString m_waitingFor;
    // The servers that background watch steps are under way on.
    QSet<QString> m_watchedServers;
    QStringList m_players;
    // A request for new lines is sent or queued and not yet answered.
    bool m_requestPending = false;
    bool m_menuChecked = false;
};
