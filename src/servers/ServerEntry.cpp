#include "servers/ServerEntry.h"

namespace {
IconIndex iconOf(ServerState state) {
    switch (state) {
    case ServerState::Queue:
    case ServerState::Erase:
        return IconIndex::ServerQueued;
    case ServerState::Online:
        return IconIndex::ServerOnline;
    case ServerState::ChatOnline:
        return IconIndex::ChatOpen;
    case ServerState::Timeout:
    case ServerState::Refused:
    case ServerState::Untraceable:
    case ServerState::Unknown:
    case ServerState::BadLogin:
        return IconIndex::ServerOffline;
    }
    return IconIndex::ServerQueued;
}
} // namespace

IconIndex ServerEntry::icon() const {
    return iconOf(state == ServerState::Erase ? stateBeforeErase : state);
}
