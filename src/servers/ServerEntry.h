#pragma once

#include <QString>
#include <QVector>

// Indexes into the console's one icon list that the server list uses; the settings file
// stores the sort icon by this index.
namespace ServerIcon {
constexpr int Offline = 0;
constexpr int Online = 1;
constexpr int SortAscending = 3;
constexpr int SortDescending = 4;
constexpr int ChatOpen = 5;
constexpr int Queued = 6;
} // namespace ServerIcon

// One configured server. The name is its key everywhere (server log file, player table,
// queued commands). The four first fields are persisted in "server.dat"; the rest is the
// live state the poll cycle keeps.
struct ServerEntry final {
    QString name;
    QString host;
    QString port; // kept exactly as typed
    QString password;

    QString playerCount = QStringLiteral("-");
    QString status = QStringLiteral("Queue");
    int icon = ServerIcon::Queued;
};

using ServerList = QVector<ServerEntry>;
