#pragma once

#include <QString>
#include <QVector>

// One player online, keyed by the SteamID64. The join stamp ("yymmdd-hhnnss") is taken when the
// record is made and stays while the player moves between servers.
struct PlayerRecord final {
    QString server;
    QString name;
    QString steamId;
    QString joinStamp;
};

using PlayerRecords = QVector<PlayerRecord>;
