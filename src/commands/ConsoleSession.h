#pragma once

#include "commands/ConsoleExchange.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

class CommandHistory;
class CommandPort;
class ServerListModel;

// The console tab's work: any command to one server or to every online server, one exchange per
// server through the command port, each logged ("Console command (Alpha):  SaveWorld") and
// entered into the history.
class ConsoleSession final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConsoleSession)

public:
    ConsoleSession(ServerListModel *servers, CommandPort *port, CommandHistory *history,
                   QObject *parent = nullptr);

    CommandHistory *history() const { return m_history; }

    // The command as it goes out: trimmed, line breaks and tabs as blanks.
    static QString cleaned(const QString &command);
    // The audit line of the program log.
    static QString auditLine(const QString &server, const QString &command);

    // Sends `command` to the server of that name. Nothing goes out to a server that is not in
    // the list ("Server deleted"); the history takes the command either way.
    void send(const QString &server, const QString &command);
    // Sends `command` to each online server of the list; every other server's exchange ends at
    // once as "Server offline" (or "Not visited yet" before its first visit).
    void sendToAllOnline(const QString &command);
    int waitingCount() const { return int(m_waiting.size()); }

signals:
    // A line for the program log.
    void message(const QString &text);
    // The audit line of a command: entered even when the same command went out just before.
    void record(const QString &text);
    void exchangeStarted(const ConsoleExchange &exchange);
    void exchangeEnded(const ConsoleExchange &exchange);
    void waitingCountChanged(int count);

private:
    ConsoleExchange make(const QString &server, const QString &command);
    void start(ConsoleExchange exchange);
    void endAt(quint64 ticket, ConsoleExchange::State state, const QString &text);
    void failAtOnce(ConsoleExchange exchange, const QString &reason);
    void answeredLate(quint64 ticket, const QString &answer);

    ServerListModel *m_servers;
    CommandPort *m_port;
    CommandHistory *m_history;
    QHash<quint64, ConsoleExchange> m_waiting; // by the port's ticket
    // Failed exchanges whose answer may still come, oldest first, at most kLateKept.
    QList<QPair<quint64, ConsoleExchange>> m_failed;
    static constexpr int kLateKept = 100;
    quint64 m_lastId = 0;
};
