#include "monitor/PlayerTracker.h"

#include "base/Clock.h"
#include "base/LogStamp.h"
#include "base/PlayerLogLine.h"
#include "monitor/PlayerLines.h"

#include <QHash>
#include <QSet>

#include <algorithm>

PlayerTracker::PlayerTracker(QObject *parent)
    : QObject(parent)
    , m_table(ColumnCount, 1) {
    m_table.setRow(0, {QStringLiteral("Server"), QStringLiteral("Player"),
                       QStringLiteral("SteamID"), QString()});
}

PlayerRecord PlayerTracker::record(int index) const {
    const int row = index + 1;
    return {m_table.cell(ServerColumn, row), m_table.cell(PlayerColumn, row),
            m_table.cell(SteamIdColumn, row), m_table.cell(JoinColumn, row)};
}

PlayerRecords PlayerTracker::records() const {
    PlayerRecords all;
    all.reserve(recordCount());
    for (int i = 0; i < recordCount(); ++i)
        all.append(record(i));
    return all;
}

int PlayerTracker::indexOfSteamId(const QString &steamId) const {
    for (int row = 1; row < m_table.rowCount(); ++row) {
        if (m_table.cell(SteamIdColumn, row) == steamId)
            return row - 1;
    }
    return -1;
}

void PlayerTracker::record(const QString &server, const QStringList &playerLines, bool firstPass,
                           bool wasOnline) {
    const QHash<QString, int> &rowOf = rowsById();
    for (const QString &line : playerLines) {
        QString name;
        QString steamId;
        if (!PlayerLines::parse(line, &name, &steamId))
            continue;
        const int row = rowOf.value(steamId, -1);
        if (row >= 0) {
            // A player who changes servers keeps one stay: nothing is logged.
            const QString from = m_table.cell(ServerColumn, row);
            if (from != server) {
                m_table.setCell(ServerColumn, row, server);
                ++m_revision;
                if (m_serverRowsValid) {
                    m_serverRows[from].removeOne(row);
                    QList<int> &rows = m_serverRows[server];
                    rows.insert(std::lower_bound(rows.begin(), rows.end(), row), row);
                }
            }
            continue;
        }
        m_playerSetChanged = true;
        m_table.appendRow({server, name, steamId, PlayerLines::joinStamp(Clock::now())});
        ++m_revision;
        m_rowOf.insert(steamId, m_table.rowCount() - 1);
        if (m_serverRowsValid)
            m_serverRows[server].append(m_table.rowCount() - 1);
        const PlayerLogLine logged{firstPass || !wasOnline ? PlayerLogLine::Kind::Playing
                                                           : PlayerLogLine::Kind::Joined,
                                   name, steamId, server, QString()};
        const QString text = logged.text();
        emit message(text);
        if (logged.kind == PlayerLogLine::Kind::Joined) {
            emit notificationRaised(logged.notificationText());
            emit notifiedEventLogged(text);
        }
    }
}

void PlayerTracker::detectLeaves(const QString &server, const QStringList &playerLines,
                                 bool firstPass) {
    const QList<int> candidates = rowsOfServer(server);
    if (candidates.isEmpty())
        return;
    const QSet<QString> mentioned = mentionedIds(candidates, playerLines);

    QList<int> goneRows;
    for (const int row : std::as_const(candidates)) {
        if (mentioned.contains(m_table.cell(SteamIdColumn, row)))
            continue;
        goneRows << row;
        if (!firstPass) {
            const PlayerRecord gone = record(row - 1);
            const QDateTime join = LogStamp::ParseLogStamp(gone.joinStamp, Clock::today());
            const QDateTime now = Clock::now();
            const PlayerLogLine logged{PlayerLogLine::Kind::HasLeft, gone.name, gone.steamId,
                                       gone.server, PlayerLines::durationText(join, now)};
            const QString line = logged.text();
            if (join.isValid() && now < join)
                PlayerLines::reportClockSetBack(line, gone.joinStamp, QStringLiteral(" (Leave)"));
            emit message(line);
            emit notificationRaised(logged.notificationText());
            emit notifiedEventLogged(line);
        }
    }
    if (goneRows.isEmpty())
        return;
    m_playerSetChanged = true;
    for (const int row : std::as_const(goneRows))
        m_rowOf.remove(m_table.cell(SteamIdColumn, row));
    // One pass over the table, however many left at once.
    m_table.removeRows(goneRows);
    ++m_revision;
    // The indexes follow the rows up without a look at their texts: each row moves up by the
    // number of rows before it that went.
    const auto movedUp = [&goneRows](int row) {
        return row -
               int(std::lower_bound(goneRows.cbegin(), goneRows.cend(), row) - goneRows.cbegin());
    };
    for (auto it = m_rowOf.begin(); it != m_rowOf.end(); ++it)
        it.value() = movedUp(it.value());
    if (m_serverRowsValid) {
        QList<int> &left = m_serverRows[server];
        left.removeIf([&goneRows](int row) {
            return std::binary_search(goneRows.cbegin(), goneRows.cend(), row);
        });
        for (auto it = m_serverRows.begin(); it != m_serverRows.end(); ++it) {
            for (int &row : it.value())
                row = movedUp(row);
        }
    }
}

const QHash<QString, int> &PlayerTracker::rowsById() {
    // Rows by SteamID64: an answer of many players costs one look-up per line, not a search,
    // and the index is built again only after rows went.
    if (!m_rowOfValid) {
        m_rowOf.clear();
        m_rowOf.reserve(m_table.rowCount());
        for (int row = m_table.rowCount() - 1; row >= 1; --row)
            m_rowOf.insert(m_table.cell(SteamIdColumn, row), row);
        m_rowOfValid = true;
    }
    return m_rowOf;
}

QList<int> PlayerTracker::rowsOfServer(const QString &server) {
    // Kept up to date by joins, moves and departures; built again only after a server's
    // records were removed or renamed.
    if (!m_serverRowsValid) {
        m_serverRows.clear();
        for (int row = 1; row < m_table.rowCount(); ++row)
            m_serverRows[m_table.cell(ServerColumn, row)].append(row);
        m_serverRowsValid = true;
    }
    return m_serverRows.value(server);
}

void PlayerTracker::tableReordered() {
    ++m_revision;
    m_rowOfValid = false;
    m_serverRowsValid = false;
}

QSet<QString> PlayerTracker::mentionedIds(const QList<int> &rows,
                                          const QStringList &playerLines) const {
    // A player is still there when any line holds the SteamID64; nearly always it is the id
    // that line names, which one set answers for every row.
    QSet<QString> lineIds;
    qsizetype textLength = 0;
    for (const QString &line : playerLines) {
        QString steamId;
        if (PlayerLines::parse(line, nullptr, &steamId))
            lineIds.insert(steamId);
        textLength += line.size();
    }
    QSet<QString> mentioned;
    QHash<qsizetype, QStringList> othersByLength;
    qsizetype others = 0;
    for (const int row : rows) {
        const QString steamId = m_table.cell(SteamIdColumn, row);
        if (lineIds.contains(steamId)) {
            mentioned.insert(steamId);
        } else {
            othersByLength[steamId.size()] << steamId;
            ++others;
        }
    }
    // The rest (those who left, mostly) are searched in the lines; when a long answer follows
    // a long one, every stretch of an id's length is put in a set instead of searching again
    // and again, which would hold up the window for minutes.
    constexpr qsizetype kSearchBudget = qsizetype(1) << 24;
    for (auto it = othersByLength.cbegin(); it != othersByLength.cend(); ++it) {
        const qsizetype length = it.key();
        if (others * textLength <= kSearchBudget || length == 0) {
            for (const QString &steamId : it.value()) {
                for (const QString &line : playerLines) {
                    if (line.contains(steamId)) {
                        mentioned.insert(steamId);
                        break;
                    }
                }
            }
            continue;
        }
        QSet<QStringView> stretches;
        stretches.reserve(textLength);
        for (const QString &line : playerLines) {
            for (qsizetype at = 0; at + length <= line.size(); ++at)
                stretches.insert(QStringView(line).mid(at, length));
        }
        for (const QString &steamId : it.value()) {
            if (stretches.contains(steamId))
                mentioned.insert(steamId);
        }
    }
    return mentioned;
}

void PlayerTracker::checkSignature(bool firstPass) {
    // The records changed since the last rebuild (a revision instead of comparing all texts,
    // which cost a copy of the whole table after every visit).
    if (m_revision != m_rebuiltRevision)
        playergridtolist(firstPass);
}

void PlayerTracker::playergridtolist(bool firstPass) {
    m_rebuiltRevision = m_revision;
    const int count = recordCount();
    emit playerListRebuilt(records());
    const int previous = m_lastPlayerCount;
    const bool changed = m_playerSetChanged;
    m_playerSetChanged = true;
    m_lastPlayerCount = count;
    if (!firstPass)
        emit playerCountChanged(previous, count, changed);
    emit playersOnlineChanged(count);
}

void PlayerTracker::removeServerRecords(const QString &server) {
    for (int row = m_table.rowCount() - 1; row >= 1; --row) {
        if (m_table.cell(ServerColumn, row) == server) {
            DeleteRow(m_table, row);
            tableReordered();
        }
    }
    m_playerSetChanged = false;
}

int PlayerTracker::renameServer(const QString &oldName, const QString &newName) {
    int moved = 0;
    for (int row = 1; row < m_table.rowCount(); ++row) {
        if (m_table.cell(ServerColumn, row) == oldName) {
            m_table.setCell(ServerColumn, row, newName);
            ++m_revision;
            m_serverRowsValid = false;
            ++moved;
        }
    }
    return moved;
}
