#pragma once

#include "base/IconIndex.h"
#include "servers/ServerSettings.h"
#include "servers/ServerState.h"

#include <QString>
#include <QStringList>
#include <QVector>

// One configured server: its settings, persisted in "server.dat", and the live state the poll
// cycle keeps. The name is its key everywhere (server log file, player table, queued commands).
struct ServerEntry final {
    ServerSettings settings;
    // The cells of the server's row in a "server.dat" written elsewhere with more than four
    // columns; they go back into the file as they were read.
    QStringList extraCells;

    QString playerCount = QStringLiteral("-");
    ServerState state = ServerState::Queue;
    // Why the state is what it is, in the failure's own words; empty: the state's usual words.
    QString statusDetail;
    // A server waiting for its removal keeps the picture of the state it had.
    ServerState stateBeforeErase = ServerState::Queue;

    QString statusText() const { return ServerStates::statusText(state); }
    bool isOnline() const { return ServerStates::isOnline(state); }
    QString statusExplanation() const { return ServerStates::explanation(state, statusDetail); }
    IconIndex icon() const;
};

using ServerList = QVector<ServerEntry>;
