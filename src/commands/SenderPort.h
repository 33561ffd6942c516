#pragma once

#include "commands/CommandPort.h"
#include "commands/CommandSender.h"

// The console tab's commands through the command sender's lanes (one exchange at a time per
// server), with the failures told in the words of the console tab.
class SenderPort final : public CommandPort {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SenderPort)

public:
    explicit SenderPort(CommandSender *sender, QObject *parent = nullptr);

    quint64 send(const QString &serverName, const QString &command) override;

    static QString reason(CommandSender::Outcome outcome);

private:
    CommandSender *m_sender;
};
