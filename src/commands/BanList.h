#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVector>

#include <optional>

// The bans made through this console, read back from the program log's outcome lines:
//   Command successfully: BanPlayer <id> @ <server>
//   Command successfully: BanPlayer <id> (<name>) @ <server>
// A later "Command successfully: UnbanPlayer <id> ..." on the same server lifts the ban.
class BanList final {
public:
    struct Ban {
        QString playerName; // from the line, else from the newest player line of the id
        QString playerId;
        QString server;
        QDateTime when;
        QString stamp; // "yymmdd-hhnnss" as the log has it
    };

    struct Outcome {
        bool ban = true; // false: an unban
        QString playerId;
        QString playerName;
        QString server;
    };

    BanList() = delete;

    // The ban or unban a successful outcome line (after its stamp) tells of.
    static std::optional<Outcome> parseOutcome(QStringView text);
    // True when the line (stamp included) may change the list: a ban or unban outcome.
    static bool concernsBans(QStringView line);
    // `lines` newest first, as the program log holds them; the bans in force, newest first,
    // one per player and server.
    static QVector<Ban> fromLog(const QStringList &lines);
};
