#include "stats/PlayerStatistics.h"

#include "base/LogStamp.h"
#include "base/NameQuotes.h"
#include "base/PlayerId.h"
#include "base/PlayerLogLine.h"
#include "stats/PlayTime.h"

#include <QCollator>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <vector>

namespace {

// The player lines' pieces, each found where it first stands in a line so that every line is
// looked at once. A player line starts right after the time stamp, which ends in "] ".
const QString kPlayerPiece = QStringLiteral("] ") + PlayerLogLine::kPlayerStart.toString();
constexpr QStringView kIdPiece = PlayerLogLine::kIdStart;
constexpr QStringView kJoinedPiece = PlayerLogLine::kJoinedMarker;
constexpr QStringView kPlayingPiece = PlayerLogLine::kPlayingMarker;
constexpr QStringView kDurationPiece = PlayerLogLine::kDurationStart;
// A join line's server name starts after the first backquote from this index on (character 30).
constexpr qsizetype kServerSearchFrom = 29;
constexpr QStringView kSortSeparator = u"@Ä×ª╝¢";

// The platform's comparison for the current locale, without regard to letter case.
QCollator textCollator() {
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

struct Player {
    QString steamId;
    QString name;
};

// The known players, found by their id (a SteamID64 or an EOS id) anywhere inside a line.
class PlayerIndex final {
public:
    int rowOf(QStringView steamId) const { return m_rows.value(steamId, -1); }

    void add(const QString &steamId, const QString &name) {
        m_players.push_back({steamId, name});
        // The view stays valid: the string's characters live as long as the player entry.
        m_rows.insert(QStringView(m_players.back().steamId), int(m_players.size()) - 1);
        for (const QChar c : steamId)
            m_idCharacters[c.unicode()] = true;
        if (std::find(m_idLengths.cbegin(), m_idLengths.cend(), steamId.size()) ==
            m_idLengths.cend())
            m_idLengths.push_back(steamId.size());
    }

    const std::vector<Player> &players() const { return m_players; }

    // Every known player whose id occurs in the line. Only runs of characters that occur in
    // some id can hold one, which in practice leaves one place per line and id kind to look up.
    // `line` numbers the line, so that a player found twice in it is listed once.
    void playersIn(QStringView line, qsizetype lineNumber, std::vector<int> &rows) {
        rows.clear();
        m_lastLine.resize(m_players.size(), -1);
        qsizetype run = 0;
        for (qsizetype i = 0; i < line.size(); ++i) {
            run = m_idCharacters[line.at(i).unicode()] ? run + 1 : 0;
            for (const qsizetype length : m_idLengths) {
                if (run < length)
                    continue;
                const int row = rowOf(line.mid(i + 1 - length, length));
                if (row >= 0 && m_lastLine[size_t(row)] != lineNumber) {
                    m_lastLine[size_t(row)] = lineNumber;
                    rows.push_back(row);
                }
            }
        }
    }

    void reserve(qsizetype n) {
        m_players.reserve(size_t(n));
        m_rows.reserve(n);
    }

private:
    std::vector<Player> m_players;
    QHash<QStringView, int> m_rows;
    std::vector<bool> m_idCharacters = std::vector<bool>(65536, false);
    std::vector<qsizetype> m_idLengths; // of the known ids, each once
    std::vector<qsizetype> m_lastLine;
};

// Server names in order without regard to letter case, one entry per name in any spelling; the
// first spelling seen stays.
class ServerNames final {
public:
    explicit ServerNames(const QCollator &collator)
        : m_collator(collator) {}

    void add(const QString &name) {
        if (m_spellings.contains(name))
            return;
        m_spellings.insert(name);
        const auto at = std::lower_bound(
            m_names.begin(), m_names.end(), name,
            [this](const QString &a, const QString &b) { return m_collator.compare(a, b) < 0; });
        if (at == m_names.end() || m_collator.compare(*at, name) != 0)
            m_names.insert(at, name);
    }

    const std::vector<QString> &names() const { return m_names; }

private:
    const QCollator &m_collator;
    QSet<QString> m_spellings;
    std::vector<QString> m_names;
};

// The date of a line's stamp, by the rules of ParseLogStamp. The time must read as a time of day
// but may fall into the local clock's spring-forward gap, where ParseLogStamp finds no local
// time: the day is what counts here, and converting every stamp to local time would cost more
// than the rest of the build.
class StampDates final {
public:
    explicit StampDates(const QDate &today)
        : m_today(today) {}

    // `stamp` is the line from its second character: "yymmdd-hhnnss".
    QDate dateOf(QStringView stamp) {
        if (stamp.size() < 13 || stamp.at(6) != QLatin1Char('-'))
            return {};
        const int day = number(stamp.left(6));
        const int hour = number(stamp.mid(7, 2));
        const int minute = number(stamp.mid(9, 2));
        const int second = number(stamp.mid(11, 2));
        if (day < 0 || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
            second > 59)
            return {};
        auto known = m_days.constFind(day);
        if (known == m_days.constEnd()) {
            // Noon lies in no gap of any local clock.
            const QString noon = stamp.left(6).toString() + QStringLiteral("-120000");
            known = m_days.insert(day, LogStamp::ParseLogStamp(noon, m_today).date());
        }
        return *known;
    }

private:
    // Decimal digits only; -1 otherwise.
    static int number(QStringView digits) {
        int value = 0;
        for (const QChar c : digits) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return -1;
            value = value * 10 + (c.unicode() - '0');
        }
        return value;
    }

    QDate m_today;
    QHash<int, QDate> m_days;
};

// Step one over the player lines, newest first: players, their newest names and the servers.
void readPlayerLine(QStringView line, PlayerIndex &players, ServerNames &servers) {
    const qsizetype player = line.indexOf(kPlayerPiece);
    if (player < 0)
        return;
    // The id stands whole between the first "´ (" that a player id and ")" follow; a name may
    // hold "´ (" itself. A hand-broken line without such an id is no player line.
    qsizetype id = line.indexOf(kIdPiece);
    QStringView steamId;
    for (; id >= 0; id = line.indexOf(kIdPiece, id + 1)) {
        // Only as far as the longest id reaches: a line of many "´ (" stays one pass.
        const QStringView after = line.mid(id + kIdPiece.size(), PlayerId::kEosLength + 1);
        const qsizetype close = after.indexOf(QLatin1Char(')'));
        if (close >= 0 && PlayerId::isPlayerId(after.left(close))) {
            steamId = after.left(close);
            break;
        }
    }
    if (id < 0)
        return;
    if (players.rowOf(steamId) < 0) {
        const qsizetype nameStart = player + kPlayerPiece.size();
        players.add(steamId.toString(),
                    id > nameStart ? line.mid(nameStart, id - nameStart).toString() : QString());
    }
    if (!line.contains(kJoinedPiece) && !line.contains(kPlayingPiece))
        return;
    const qsizetype quote = line.indexOf(NameQuotes::kOpen, kServerSearchFrom);
    // The name runs to the line's last character, which closes it.
    if (quote >= 0 && quote + 1 < line.size() - 1)
        servers.add(line.mid(quote + 1, line.size() - 2 - quote).toString());
}

// The server columns whose "`" + name + "´ - Duration {" the line holds. Only the texts of a
// server name's length before each piece are looked up: a line with many pieces and backquotes
// (a player may name himself so) would otherwise cost every backquote for every piece.
class DurationColumns final {
public:
    explicit DurationColumns(const std::vector<QString> &serverNames) {
        for (size_t s = 0; s < serverNames.size(); ++s) {
            m_columnOf.insert(QStringView(serverNames[s]), int(s));
            m_nameLengths.push_back(serverNames[s].size());
        }
        std::sort(m_nameLengths.begin(), m_nameLengths.end());
        m_nameLengths.erase(std::unique(m_nameLengths.begin(), m_nameLengths.end()),
                            m_nameLengths.end());
        m_lastLine.assign(serverNames.size(), -1);
    }

    void columnsIn(QStringView line, qsizetype lineNumber, std::vector<int> &columns) {
        columns.clear();
        qsizetype piece = line.indexOf(kDurationPiece);
        while (piece >= 0) {
            for (const qsizetype length : m_nameLengths) {
                const qsizetype quote = piece - length - 1;
                if (quote < 0)
                    break;
                if (line.at(quote) != NameQuotes::kOpen)
                    continue;
                const int column = m_columnOf.value(line.mid(quote + 1, length), -1);
                if (column >= 0 && m_lastLine[size_t(column)] != lineNumber) {
                    m_lastLine[size_t(column)] = lineNumber;
                    columns.push_back(column);
                }
            }
            piece = line.indexOf(kDurationPiece, piece + 1);
        }
    }

private:
    QHash<QStringView, int> m_columnOf;
    std::vector<qsizetype> m_nameLengths; // ascending, each once
    std::vector<qsizetype> m_lastLine;
};

} // namespace

PlayerStatistics::PlayerStatistics()
    : table(4, 1) {
    table.setRow(0, {QStringLiteral("SteamID64"), QStringLiteral("Player"),
                     QStringLiteral("Last online"), QStringLiteral("Total hh:mm:ss")});
}

QStringList PlayerStatistics::servers() const {
    return table.row(0).mid(FirstServerColumn);
}

PlayerStatistics BuildStatistics(const QStringList &logLines, const QDate &today) {
    const QCollator collator = textCollator();
    PlayerIndex players;
    ServerNames servers(collator);
    std::vector<qsizetype> durationLines;
    for (qsizetype i = 0; i < logLines.size(); ++i) {
        const QStringView line(logLines.at(i));
        readPlayerLine(line, players, servers);
        if (line.contains(kDurationPiece))
            durationLines.push_back(i);
    }

    const std::vector<QString> &serverNames = servers.names();
    const size_t serverCount = serverNames.size();
    DurationColumns durationColumns(serverNames);

    const size_t playerCount = players.players().size();
    // Seconds per player and server; -1 while nothing was counted there.
    std::vector<qint64> seconds(playerCount * serverCount, -1);
    std::vector<QDate> lastOnline(playerCount);
    std::vector<int> columns;
    std::vector<int> rows;
    StampDates stampDates(today);
    // Oldest first, as the durations were played.
    for (auto it = durationLines.crbegin(); it != durationLines.crend(); ++it) {
        const QStringView line(logLines.at(*it));
        durationColumns.columnsIn(line, qsizetype(*it), columns);
        if (columns.empty())
            continue;
        // The duration is the 8 characters before the closing brace.
        const qint64 duration =
            line.size() > 8 ? PlayTime::seconds(line.mid(line.size() - 9, 8)) : -1;
        if (duration < 0)
            continue;
        const QDate date = stampDates.dateOf(line.mid(1));
        if (!date.isValid())
            continue;
        players.playersIn(line, qsizetype(*it), rows);
        for (const int row : rows) {
            for (const int column : columns) {
                qint64 &cell = seconds[size_t(row) * serverCount + size_t(column)];
                cell = std::max<qint64>(cell, 0) + duration;
            }
            if (!lastOnline[size_t(row)].isValid() || date > lastOnline[size_t(row)])
                lastOnline[size_t(row)] = date;
        }
    }

    PlayerStatistics result;
    StringTable &table = result.table;
    table.setColumnCount(PlayerStatistics::FirstServerColumn + int(serverCount));
    for (size_t s = 0; s < serverCount; ++s)
        table.setCell(PlayerStatistics::FirstServerColumn + int(s), 0, serverNames[s]);
    table.setRowCount(int(playerCount) + 1);
    for (size_t p = 0; p < playerCount; ++p) {
        const int row = int(p) + 1;
        const Player &player = players.players()[p];
        table.setCell(PlayerStatistics::SteamIdColumn, row, player.steamId);
        table.setCell(PlayerStatistics::NameColumn, row, player.name);
        if (lastOnline[p].isValid())
            table.setCell(PlayerStatistics::LastOnlineColumn, row,
                          lastOnline[p].toString(QStringLiteral("dd.MM.yyyy")));
        qint64 total = 0;
        for (size_t s = 0; s < serverCount; ++s) {
            const qint64 cell = seconds[p * serverCount + s];
            if (cell < 0)
                continue;
            total += cell;
            table.setCell(PlayerStatistics::FirstServerColumn + int(s), row,
                          PlayTime::format(cell));
        }
        table.setCell(PlayerStatistics::TotalColumn, row, PlayTime::format(total));
    }
    SortTableRows(table, PlayerStatistics::TotalColumn, RowOrder::PlayTime);
    return result;
}

void SortTableRows(StringTable &table, int column, RowOrder order) {
    struct Row {
        QStringList cells;
        QString text;
        qint64 seconds;
    };
    std::vector<Row> rows;
    rows.reserve(size_t(table.rowCount()));
    for (int r = 1; r < table.rowCount(); ++r) {
        Row row{table.row(r), QString(), -1};
        const QString cell = table.cell(column, r);
        row.text = cell + kSortSeparator.toString() + row.cells.join(QLatin1Char('\n')) +
                   QLatin1Char('\n');
        if (order == RowOrder::PlayTime)
            row.seconds = PlayTime::seconds(cell);
        rows.push_back(std::move(row));
    }
    const QCollator collator = textCollator();
    std::stable_sort(rows.begin(), rows.end(), [&](const Row &a, const Row &b) {
        if (a.seconds != b.seconds)
            return a.seconds < b.seconds;
        return collator.compare(a.text, b.text) < 0;
    });
    for (size_t i = 0; i < rows.size(); ++i)
        table.setRow(int(i) + 1, rows[i].cells);
}
