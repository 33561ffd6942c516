#include "servers/ServerState.h"

QString ServerStates::statusText(ServerState state) {
    switch (state) {
    case ServerState::Queue:
        return QStringLiteral("Queue");
    case ServerState::Online:
        return QStringLiteral("Online");
    case ServerState::ChatOnline:
        return QStringLiteral("Chat/Online");
    case ServerState::Timeout:
        return QStringLiteral("Timeout");
    case ServerState::Refused:
        return QStringLiteral("Refused");
    case ServerState::Untraceable:
        return QStringLiteral("Untraceable");
    case ServerState::Unknown:
        return QStringLiteral("Unknown");
    case ServerState::BadLogin:
        return QStringLiteral("Bad login");
    case ServerState::Erase:
        return QStringLiteral("Erase");
    }
    return QString();
}

bool ServerStates::isOnline(ServerState state) {
    return state == ServerState::Online || state == ServerState::ChatOnline;
}
