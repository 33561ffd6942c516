#pragma once

#include <QMetaType>
#include <QString>

// Who gave a command. Their failures are logged in different words: the queue's name the server,
// the others the command alone.
enum class CommandOrigin {
    Player,  // the operator's kick or ban from a player list
    Queue,   // the queue's scheduler
    Console, // a command typed for one server
};

// How one exchange ended.
enum class CommandOutcome {
    Succeeded,     // an answer of type 0, whatever it says
    Refused,       // the password was refused; the command was not sent
    ConnectFailed, // no connection, the server gone from the list, or a bad port
    SendFailed,    // the command could not be written after the login
    ReadFailed,    // the connection broke or the answer was unreadable
    TimedOut,      // the login was not answered in time; the command was not sent
    Unanswered,    // the command went out but its answer did not come in time; a late one may
    Abandoned,     // cancelled before it started, or the program exits before the exchange ended
};

// One exchange for one server: what to send and how its outcome is written to the program log.
struct CommandRequest final {
    QString serverName; // a server list name, looked up when the exchange starts
    QString command;    // the RCON command line exactly as it is sent
    // The command as the log lines name it; the command itself when empty. A kick or ban adds the
    // player's name here, so that a search by the name finds its lines.
    QString shown;
    CommandOrigin origin = CommandOrigin::Queue;
    // The answer's text goes to the program log after the success line (unless it is the
    // no-output answer). A caller that shows the answer itself may leave it out.
    bool logAnswer = true;

    QString shownCommand() const { return shown.isEmpty() ? command : shown; }
};

Q_DECLARE_METATYPE(CommandOrigin)
Q_DECLARE_METATYPE(CommandOutcome)
