#pragma once

#include "commands/PendingCommand.h"

#include <QList>
#include <QObject>
#include <QQueue>
#include <QString>
#include <QTimer>

class ProgramState;
class RconChannel;
class ServerListModel;

// The commands of one server, one exchange at a time, in the order they were given: connect, log
// in, send the command, read its answer, close. An exchange has commandConnectTimeoutMs to connect
// and commandAnswerTimeoutMs for each answer after that. A command whose answer is late keeps its
// connection open for commandLateAnswerMs more, so that a slow server's answer is still logged,
// while the next command goes out on a connection of its own.
class CommandLane final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CommandLane)

public:
    CommandLane(const QString &serverName, ServerListModel *servers, ProgramState *state,
                QObject *parent = nullptr);
    ~CommandLane() override;

    QString serverName() const { return m_serverName; }
    void setServerName(const QString &name);

    void enqueue(const PendingCommand &pending);
    // Takes a waiting exchange out unsent; false when it is not waiting here (started, ended).
    bool cancel(quint64 ticket);

    bool isBusy() const { return m_current.ticket != 0; }
    // Nothing under way and nothing waiting.
    bool isFree() const { return !isBusy() && m_waiting.isEmpty(); }
    const PendingCommand &current() const { return m_current; }
    int waitingCount() const { return int(m_waiting.size()); }
    // Connections kept open for a late answer.
    int lateCount() const { return int(m_late.size()); }

    // Starts what waits (after a resume).
    void scheduleStart();
    // Exit: the exchange under way and every waiting one end, each with its log line.
    void stop();

signals:
    // A line for the program log.
    void message(const QString &text);
    void started(quint64 ticket);
    void finished(quint64 ticket, CommandOutcome outcome, const QString &answer);
    void answeredLate(quint64 ticket, const QString &answer);

private:
    RconChannel *makeChannel();
    void startNext();
    void succeed(const QString &answer);
    void timeOut();
    void keepForLateAnswer();
    void dropLate(RconChannel *late);
    void finish(CommandOutcome outcome, const QString &answer = QString());
    void endWith(CommandOutcome outcome, const QString &line);
    void logAnswer(const PendingCommand &pending, const QString &answer);

    QString m_serverName;
    ServerListModel *m_servers;
    ProgramState *m_state;
    RconChannel *m_channel;
    QTimer m_answerTimer; // bounds the login and the answer of the exchange under way
    QQueue<PendingCommand> m_waiting;
    PendingCommand m_current;
    bool m_sent = false; // the command of the exchange under way went out
    bool m_startScheduled = false;
    bool m_stopped = false;
    QList<RconChannel *> m_late; // commands sent whose answers came too late for the lane
};
