#pragma once

#include "servers/ServerState.h"

#include <QString>

// The state whose status text this is, so test tables can name states as the list shows them.
inline ServerState stateFromText(const QString &text) {
    for (const ServerState state :
         {ServerState::Queue, ServerState::Online, ServerState::ChatOnline, ServerState::Timeout,
          ServerState::Refused, ServerState::Untraceable, ServerState::Unknown,
          ServerState::BadLogin, ServerState::Erase}) {
        if (ServerStates::statusText(state) == text)
            return state;
    }
    return ServerState::Queue;
}
