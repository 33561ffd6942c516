#pragma once

#include <QString>

// Who gave a command: the operator's kick or ban from a player list, or the queue's scheduler.
// Their failures are logged in different words.
enum class CommandOrigin { Player, Queue };

// One command waiting for, or in, its exchange on the command channel.
struct PendingCommand final {
    QString command;    // the RCON command line exactly as it is sent
    QString serverName; // looked up in the server list when the exchange starts
    CommandOrigin origin = CommandOrigin::Queue;
    quint64 ticket = 0; // 0 while nothing is in flight
};
