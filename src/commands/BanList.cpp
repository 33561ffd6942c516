#include "commands/BanList.h"

#include "base/LogStamp.h"
#include "base/PlayerLogLine.h"

#include <QHash>
#include <QSet>

namespace {
constexpr QStringView kSuccess = u"Command successfully: ";
constexpr QStringView kBan = u"BanPlayer ";
constexpr QStringView kUnban = u"UnbanPlayer ";
constexpr QStringView kAt = u" @ ";

QString key(const QString &id, const QString &server) {
    return id + QLatin1Char('\n') + server;
}
} // namespace

std::optional<BanList::Outcome> BanList::parseOutcome(QStringView text) {
    if (!text.startsWith(kSuccess))
        return std::nullopt;
    QStringView rest = text.mid(kSuccess.size());
    Outcome outcome;
    if (rest.startsWith(kBan, Qt::CaseInsensitive)) {
        rest = rest.mid(kBan.size());
    } else if (rest.startsWith(kUnban, Qt::CaseInsensitive)) {
        outcome.ban = false;
        rest = rest.mid(kUnban.size());
    } else {
        return std::nullopt;
    }
    while (rest.startsWith(QLatin1Char(' ')))
        rest = rest.mid(1);
    const qsizetype idEnd = rest.indexOf(QLatin1Char(' '));
    if (idEnd <= 0)
        return std::nullopt;
    outcome.playerId = rest.left(idEnd).toString();
    rest = rest.mid(idEnd);
    if (rest.startsWith(kAt)) {
        outcome.server = rest.mid(kAt.size()).toString();
    } else if (rest.startsWith(u" (")) {
        // A player may be named anything: the server follows the last ") @ ".
        const qsizetype close = rest.lastIndexOf(u") @ ");
        if (close < 0)
            return std::nullopt;
        outcome.playerName = rest.mid(2, close - 2).toString();
        outcome.server = rest.mid(close + 4).toString();
    } else {
        return std::nullopt;
    }
    if (outcome.server.isEmpty())
        return std::nullopt;
    return outcome;
}

bool BanList::concernsBans(QStringView line) {
    return line.size() > LogStamp::kLength && parseOutcome(line.mid(LogStamp::kLength)).has_value();
}

QVector<BanList::Ban> BanList::fromLog(const QStringList &lines) {
    QVector<Ban> bans;
    QSet<QString> settled; // a newer ban or unban of the player on the server was seen
    QSet<QString> wanted;  // ids of bans without a name
    for (const QString &line : lines) {
        if (line.size() <= LogStamp::kLength)
            continue;
        const QStringView text = QStringView(line).mid(LogStamp::kLength);
        if (!text.startsWith(kSuccess))
            continue;
        const std::optional<Outcome> outcome = parseOutcome(text);
        if (!outcome)
            continue;
        const QString k = key(outcome->playerId, outcome->server);
        if (settled.contains(k))
            continue;
        settled.insert(k);
        if (!outcome->ban)
            continue;
        Ban ban;
        ban.playerId = outcome->playerId;
        ban.playerName = outcome->playerName;
        ban.server = outcome->server;
        ban.stamp = line.mid(1, 13);
        ban.when = LogStamp::ParseLogStamp(ban.stamp);
        if (ban.playerName.isEmpty())
            wanted.insert(ban.playerId);
        bans << ban;
    }
    if (wanted.isEmpty())
        return bans;

    // The newest name each player had on any server.
    QHash<QString, QString> names;
    for (const QString &line : lines) {
        if (names.size() == wanted.size())
            break;
        const QStringView text =
            QStringView(line).mid(std::min<qsizetype>(line.size(), LogStamp::kLength));
        if (!text.startsWith(PlayerLogLine::kPlayerStart) &&
            !text.startsWith(PlayerLogLine::kProgramExitStart))
            continue;
        const std::optional<PlayerLogLine> player = PlayerLogLine::parse(text);
        if (player && wanted.contains(player->playerId) && !names.contains(player->playerId))
            names.insert(player->playerId, player->name);
    }
    for (Ban &ban : bans) {
        if (ban.playerName.isEmpty())
            ban.playerName = names.value(ban.playerId);
    }
    return bans;
}
