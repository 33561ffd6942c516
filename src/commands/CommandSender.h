#pragma once

#include "commands/PendingCommand.h"
#include "rcon/StatusCode.h"

#include <QObject>
#include <QQueue>
#include <QSet>
#include <QString>
#include <QTimer>

struct ChannelProfile;
class ProgramState;
class RconChannel;
class ServerListModel;

// Sends administrative commands, each in an exchange of its own on a fresh connection: connect,
// log in, send the command, read its answer, close. One exchange at a time; the commands given
// meanwhile wait in order, so a kick never pushes out a queued command and none is lost because
// another started. An exchange has commandConnectTimeoutMs to connect and commandAnswerTimeoutMs
// for each answer after that.
class CommandSender final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CommandSender)

public:
    enum class Outcome {
        Succeeded,     // an answer of type 0, whatever it says
        Refused,       // the password was refused
        ConnectFailed, // no connection, the server gone from the list, or a bad port
        SendFailed,
        ReadFailed,
        TimedOut,
        Abandoned, // the program exits before the exchange ended
    };
    Q_ENUM(Outcome)

    CommandSender(ServerListModel *servers, ProgramState *state, QObject *parent = nullptr);
    ~CommandSender() override;

    // The command channel's time-out, error-entry tags and request counter of its own.
    static ChannelProfile channelProfile();

    // Adds an exchange for `command` on the server of that name; it starts when the exchanges
    // before it have ended. Returns its ticket.
    quint64 StartCommand(const QString &serverName, const QString &command, CommandOrigin origin);
    // "KickPlayer " / "BanPlayer " + the SteamID64, straight to the server.
    quint64 KickOnServer(const QString &serverName, const QString &steamId);
    quint64 BanOnServer(const QString &serverName, const QString &steamId);

    // The command in flight; its ticket is 0 while the channel is idle.
    const PendingCommand &current() const { return m_current; }
    bool isBusy() const { return m_current.ticket != 0; }
    int waitingCount() const { return int(m_waiting.size()); }
    // The exchange of this ticket waits or is under way.
    bool isOpen(quint64 ticket) const { return m_open.contains(ticket); }

    // The row of the last server of that name, -1 when there is none.
    static int findServer(const ServerListModel *servers, const QString &name);

    RconChannel *channel() const { return m_channel; }

public slots:
    // The server list renamed a server: the commands that wait for it follow.
    void renameServer(const QString &oldName, const QString &newName);
    // Exit: the exchange under way and every waiting one end, each with its log line.
    void stop();

signals:
    // A line for the program log.
    void message(const QString &text);
    void finished(quint64 ticket, CommandSender::Outcome outcome);
    // The whole answer of a successful exchange, just before its finished().
    void answered(quint64 ticket, const QString &answer);

private:
    void scheduleStart();
    void startNext();
    void finish(Outcome outcome);
    void endWith(Outcome outcome, const QString &line);
    QString failureLine(const PendingCommand &command) const;
    QString errorLine(const PendingCommand &command) const;

    ServerListModel *m_servers;
    ProgramState *m_state;
    RconChannel *m_channel;
    QTimer m_answerTimer; // bounds the login and the answer of the exchange under way
    QQueue<PendingCommand> m_waiting;
    PendingCommand m_current;
    QSet<quint64> m_open;
    quint64 m_lastTicket = 0;
    bool m_startScheduled = false;
    bool m_stopped = false;
};
