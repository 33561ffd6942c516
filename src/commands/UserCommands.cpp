#include "commands/UserCommands.h"

#include "base/Clock.h"
#include "base/PlayerId.h"
#include "commands/CommandQueue.h"
#include "commands/QueueEntry.h"

void UserCommands::append(const QString &server, const QString &command) const {
    m_queue->QueueAppend(QueueEntry::userCommandName(), command, Clock::now(), server);
}

void UserCommands::queueSaveWorld(const QString &server) const {
    append(server, QStringLiteral("cmd:saveworld"));
}

void UserCommands::queueDestroyWildDinos(const QString &server) const {
    append(server, QStringLiteral("cmd:DestroyWildDinos"));
}

void UserCommands::queueStopServer(const QString &server) const {
    append(server, QStringLiteral("cmd:doexit"));
}

void UserCommands::queueMessageOfTheDay(const QString &server, const QString &message) const {
    append(server, QStringLiteral("cmd:SetMessageOfTheDay ") + message);
}

bool UserCommands::queueUnban(const QString &server, const QString &playerId) const {
    if (!PlayerId::isTyped(playerId))
        return false;
    append(server, QStringLiteral("cmd:UnbanPlayer ") + playerId);
    return true;
}
