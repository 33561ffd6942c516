#include "commands/SenderPort.h"

#include "base/Intervals.h"

SenderPort::SenderPort(CommandSender *sender, QObject *parent)
    : CommandPort(parent)
    , m_sender(sender) {
    connect(sender, &CommandSender::finished, this,
            [this](quint64 ticket, CommandSender::Outcome outcome, const QString &answer) {
                if (outcome == CommandSender::Outcome::Succeeded)
                    emit answered(ticket, answer);
                else
                    emit failed(ticket, reason(outcome));
            });
    connect(sender, &CommandSender::answeredLate, this, &CommandPort::answeredLate);
}

quint64 SenderPort::send(const QString &serverName, const QString &command) {
    CommandRequest request;
    request.serverName = serverName;
    request.command = command;
    request.origin = CommandOrigin::Console;
    // The console tab shows the whole answer; the log keeps the audit and outcome lines.
    request.logAnswer = false;
    return m_sender->submit(request);
}

QString SenderPort::reason(CommandSender::Outcome outcome) {
    const int answerSeconds = Intervals::instance().commandAnswerTimeoutMs / 1000;
    switch (outcome) {
    case CommandSender::Outcome::Succeeded:
        return QString();
    case CommandSender::Outcome::Refused:
        return QStringLiteral("Bad login");
    case CommandSender::Outcome::ConnectFailed:
        return QStringLiteral("Server offline");
    case CommandSender::Outcome::SendFailed:
    case CommandSender::Outcome::ReadFailed:
        return QStringLiteral("Connection lost");
    case CommandSender::Outcome::TimedOut:
    case CommandSender::Outcome::Unanswered:
        return QStringLiteral("No answer in %1 s").arg(answerSeconds);
    case CommandSender::Outcome::Abandoned:
        return QStringLiteral("Not sent");
    }
    return QString();
}
