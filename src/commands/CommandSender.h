#pragma once

#include "commands/CommandRequest.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

struct ChannelProfile;
class CommandLane;
class ProgramState;
class ServerListModel;

// Sends administrative commands, each in an exchange of its own on a fresh connection (connect,
// log in, send the command, read its answer, close), in one lane per server: the commands of one
// server go one at a time, in the order they were given, and a server that never answers holds
// back only its own lane. Every outcome is written to the program log (`message`).
//
// Any part of the console sends a command the same way:
//     const quint64 ticket = sender->submit({server, command, shown, CommandOrigin::Console});
// and follows `started` (the exchange opens its connection), then exactly one `finished` with
// the outcome and, on success, the answer's text. After Unanswered a late answer may still
// come as `answeredLate` (already logged by then). cancel() takes a command out of its lane as
// long as it has not started; a started exchange runs to its end.
class CommandSender final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CommandSender)

public:
    using Outcome = CommandOutcome;

    CommandSender(ServerListModel *servers, ProgramState *state, QObject *parent = nullptr);
    ~CommandSender() override;

    // The command channel's time-out, error-entry tags and request counter of its own.
    static ChannelProfile channelProfile();

    // Adds an exchange to the lane of its server; it starts when the exchanges before it in that
    // lane have ended. Returns its ticket (never 0). After stop() it ends at once, Abandoned.
    quint64 submit(const CommandRequest &request);
    quint64 StartCommand(const QString &serverName, const QString &command, CommandOrigin origin);
    // "KickPlayer " / "BanPlayer " + the player's id, straight to the server; the log lines name
    // the player as well when the name is known.
    quint64 KickOnServer(const QString &serverName, const QString &playerId,
                         const QString &playerName = QString());
    quint64 BanOnServer(const QString &serverName, const QString &playerId,
                        const QString &playerName = QString());

    // Takes a waiting exchange out of its lane; it is never sent and no signal follows. False
    // once it has started (or ended).
    bool cancel(quint64 ticket);

    // The exchange of this ticket waits or is under way.
    bool isOpen(quint64 ticket) const { return m_open.contains(ticket); }
    // The exchange of this ticket has opened its connection and not ended yet.
    bool isStarted(quint64 ticket) const;
    // Nothing waits for this server and nothing of it is under way.
    bool isLaneFree(const QString &serverName) const;
    // Some lane has an exchange under way.
    bool isBusy() const;
    // Exchanges waiting in all lanes.
    int waitingCount() const;
    // Connections kept open for a late answer, in all lanes.
    int lateCount() const;

    // The row of the last server of that name, -1 when there is none.
    static int findServer(const ServerListModel *servers, const QString &name);

public slots:
    // The server list renamed a server: its lane and the commands in it follow.
    void renameServer(const QString &oldName, const QString &newName);
    // Exit: the exchanges under way and every waiting one end, each with its log line.
    void stop();

signals:
    // A line for the program log.
    void message(const QString &text);
    void started(quint64 ticket);
    void finished(quint64 ticket, CommandSender::Outcome outcome, const QString &answer);
    void answeredLate(quint64 ticket, const QString &answer);

private:
    CommandLane *lane(const QString &serverName);
    CommandLane *findLane(const QString &serverName) const;

    ServerListModel *m_servers;
    ProgramState *m_state;
    QList<CommandLane *> m_lanes;
    QHash<quint64, CommandLane *> m_open; // every waiting or running exchange and its lane
    quint64 m_lastTicket = 0;
    bool m_stopped = false;
};
