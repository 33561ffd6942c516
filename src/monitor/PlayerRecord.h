#pragma once

#include <QString>
#include <QVector>

// One player online, keyed by the id the server lists: a SteamID64 or an EOS id, whole (its
// field keeps the SteamID64's name). The join stamp ("yymmdd-hhnnss") is taken when the record
// is made and stays while the player moves between servers.
struct PlayerRecord final {
    QString server;
    QString name;
    QString steamId;
    QString joinStamp;
};

using PlayerRecords = QVector<PlayerRecord>;
