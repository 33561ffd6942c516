#pragma once

#include "base/IconIndex.h"
#include "servers/ServerState.h"

#include <QString>
#include <QVector>

// One configured server. The name is its key everywhere (server log file, player table,
// queued commands). The four first fields are persisted in "server.dat"; the rest is the
// live state the poll cycle keeps.
struct ServerEntry final {
    QString name;
    QString host;
    QString port; // kept exactly as typed
    QString password;

    QString playerCount = QStringLiteral("-");
    ServerState state = ServerState::Queue;
    // A server waiting for its removal keeps the picture of the state it had.
    ServerState stateBeforeErase = ServerState::Queue;

    QString statusText() const { return ServerStates::statusText(state); }
    bool isOnline() const { return ServerStates::isOnline(state); }
    IconIndex icon() const;
};

using ServerList = QVector<ServerEntry>;
