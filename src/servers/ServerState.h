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
} // namespace ServerStates
