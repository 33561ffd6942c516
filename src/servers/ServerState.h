#pragma once

#include <QString>

// What the server list knows of a server. Each state has its status text, shown in the list and
// written to the program log exactly as it stands.
enum class ServerState {
    Queue,       // not visited yet
    Online,      // answered its last visit
    ChatOnline,  // online, and its chat is open
    Timeout,     // no answer in time
    Refused,     // connection refused
    Untraceable, // host name not found
    Unknown,     // any other connection failure
    BadLogin,    // the password was refused
    Erase,       // the operator deleted it; the poll cycle removes it at the end of its step
};

namespace ServerStates {
// "Queue", "Online", "Chat/Online", "Timeout", "Refused", "Untraceable", "Unknown", "Bad login",
// "Erase".
QString statusText(ServerState state);
// Online and ChatOnline count as online everywhere except in the background watch, which wants
// plain Online.
bool isOnline(ServerState state);
// What the state means, for its tool tip: "Bad login: the server refused the RCON password".
// `detail` says why in the words of the failure when there are any ("port 70000 is not a valid
// port"); else each state has its own words.
QString explanation(ServerState state, const QString &detail = QString());
} // namespace ServerStates
