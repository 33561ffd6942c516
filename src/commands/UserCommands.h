#pragma once

#include <QString>

class CommandQueue;

// The server menu's commands for one server, each queued as a "User command" entry due now: none
// is sent on the spot, the scheduler sends it on its next tick.
class UserCommands final {
public:
    explicit UserCommands(CommandQueue *queue)
        : m_queue(queue) {}

    void queueSaveWorld(const QString &server) const;
    void queueDestroyWildDinos(const QString &server) const;
    void queueStopServer(const QString &server) const;
    void queueMessageOfTheDay(const QString &server, const QString &message) const;
    // False, and nothing queued, unless the id as typed is a SteamID64 (17 characters that pass
    // SteamId::IsNum) or an EOS id (PlayerId); it is sent whole.
    bool queueUnban(const QString &server, const QString &playerId) const;

private:
    void append(const QString &server, const QString &command) const;

    CommandQueue *m_queue;
};
