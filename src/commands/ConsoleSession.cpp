#include "commands/ConsoleSession.h"

#include "base/Clock.h"
#include "commands/CommandHistory.h"
#include "commands/CommandPort.h"
#include "servers/ServerListModel.h"

ConsoleSession::ConsoleSession(ServerListModel *servers, CommandPort *port, CommandHistory *history,
                               QObject *parent)
    : QObject(parent)
    , m_servers(servers)
    , m_port(port)
    , m_history(history) {
    connect(port, &CommandPort::answered, this, [this](quint64 ticket, const QString &answer) {
        endAt(ticket, ConsoleExchange::State::Answered, answer);
    });
    connect(port, &CommandPort::failed, this, [this](quint64 ticket, const QString &reason) {
        endAt(ticket, ConsoleExchange::State::Failed, reason);
    });
    connect(port, &CommandPort::answeredLate, this, &ConsoleSession::answeredLate);
}

QString ConsoleSession::cleaned(const QString &command) {
    QString text = command;
    for (QChar &c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QLatin1Char('\t'))
            c = QLatin1Char(' ');
    }
    return text.trimmed();
}

QString ConsoleSession::auditLine(const QString &server, const QString &command) {
    return QStringLiteral("Console command (") + server + QStringLiteral("):  ") + command;
}

ConsoleExchange ConsoleSession::make(const QString &server, const QString &command) {
    ConsoleExchange exchange;
    exchange.id = ++m_lastId;
    exchange.sent = Clock::now();
    exchange.server = server;
    exchange.command = command;
    return exchange;
}

void ConsoleSession::send(const QString &server, const QString &command) {
    const QString text = cleaned(command);
    if (text.isEmpty())
        return;
    m_history->add(text);
    ConsoleExchange exchange = make(server, text);
    if (m_servers->rowOfName(server) < 0) {
        failAtOnce(exchange, QStringLiteral("Server deleted"));
        return;
    }
    start(exchange);
}

void ConsoleSession::sendToAllOnline(const QString &command) {
    const QString text = cleaned(command);
    if (text.isEmpty())
        return;
    m_history->add(text);
    // The list may change while the exchanges start; their names are taken first.
    QList<ServerEntry> entries;
    for (int row = 0; row < m_servers->serverCount(); ++row)
        entries << m_servers->entry(row);
    for (const ServerEntry &entry : std::as_const(entries)) {
        if (entry.state == ServerState::Erase)
            continue;
        ConsoleExchange exchange = make(entry.settings.name, text);
        if (entry.isOnline())
            start(exchange);
        else if (entry.state == ServerState::Queue)
            failAtOnce(exchange, QStringLiteral("Not visited yet"));
        else
            failAtOnce(exchange, QStringLiteral("Server offline"));
    }
}

void ConsoleSession::start(ConsoleExchange exchange) {
    emit record(auditLine(exchange.server, exchange.command));
    const quint64 ticket = m_port->send(exchange.server, exchange.command);
    m_waiting.insert(ticket, exchange);
    emit exchangeStarted(exchange);
    emit waitingCountChanged(waitingCount());
}

void ConsoleSession::failAtOnce(ConsoleExchange exchange, const QString &reason) {
    emit exchangeStarted(exchange);
    exchange.state = ConsoleExchange::State::Failed;
    exchange.text = reason;
    emit exchangeEnded(exchange);
}

void ConsoleSession::endAt(quint64 ticket, ConsoleExchange::State state, const QString &text) {
    auto found = m_waiting.find(ticket);
    if (found == m_waiting.end())
        return; // a command of the player lists or the queue
    ConsoleExchange exchange = found.value();
    m_waiting.erase(found);
    exchange.state = state;
    exchange.text = text;
    if (state == ConsoleExchange::State::Failed) {
        m_failed.append({ticket, exchange});
        if (m_failed.size() > kLateKept)
            m_failed.removeFirst();
    }
    emit exchangeEnded(exchange);
    emit waitingCountChanged(waitingCount());
}

void ConsoleSession::answeredLate(quint64 ticket, const QString &answer) {
    for (qsizetype i = 0; i < m_failed.size(); ++i) {
        if (m_failed.at(i).first != ticket)
            continue;
        ConsoleExchange exchange = m_failed.takeAt(i).second;
        exchange.state = ConsoleExchange::State::Answered;
        exchange.text = answer;
        exchange.late = true;
        emit exchangeEnded(exchange);
        return;
    }
}
