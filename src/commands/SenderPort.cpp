#include "commands/SenderPort.h"

#include "base/Intervals.h"

SenderPort::SenderPort(CommandSender *sender, QObject *parent)
    : CommandPort(parent)
    , m_sender(sender) {
    connect(sender, &CommandSender::answered, this, &CommandPort::answered);
    connect(sender, &CommandSender::finished, this,
            [this](quint64 ticket, CommandSender::Outcome outcome) {
                if (outcome != CommandSender::Outcome::Succeeded)
                    emit failed(ticket, reason(outcome));
            });
}

quint64 SenderPort::send(const QString &serverName, const QString &command) {
    // Failures are logged with the server's name, as the queue's are.
    return m_sender->StartCommand(serverName, command, CommandOrigin::Queue);
}

QString SenderPort::reason(CommandSender::Outcome outcome) {
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
        return QStringLiteral("No answer in %1 s")
            .arg(Intervals::instance().commandAnswerTimeoutMs / 1000);
    case CommandSender::Outcome::Abandoned:
        return QStringLiteral("Program ended");
    }
    return QString();
}
