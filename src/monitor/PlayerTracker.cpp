#include "monitor/PlayerTracker.h"

#include "base/Clock.h"
#include "base/LogStamp.h"
#include "monitor/PlayerLines.h"

namespace {
QString quoted(const QString &name) {
    return QStringLiteral("`") + name + QStringLiteral("´");
}
} // namespace

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
    for (const QString &line : playerLines) {
        QString name;
        QString steamId;
        if (!PlayerLines::parse(line, &name, &steamId))
            continue;
        const int index = indexOfSteamId(steamId);
        if (index >= 0) {
            // A player who changes servers keeps one stay: nothing is logged.
            m_table.setCell(ServerColumn, index + 1, server);
            continue;
        }
        m_playerSetChanged = true;
        m_table.appendRow({server, name, steamId, PlayerLines::joinStamp(Clock::now())});
        if (!firstPass && wasOnline) {
            const QString line = QStringLiteral("Player: ") + quoted(name) + QStringLiteral(" (") +
                                 steamId + QStringLiteral(") joined @ ") + quoted(server);
            emit message(line);
            emit notificationRaised(quoted(name) + QStringLiteral(" joined @ ") + quoted(server));
            emit notifiedEventLogged(line);
        } else {
            emit message(QStringLiteral("Player: ") + quoted(name) + QStringLiteral(" (") +
                         steamId + QStringLiteral(") playing @ ") + quoted(server));
        }
    }
}

void PlayerTracker::detectLeaves(const QString &server, const QStringList &playerLines,
                                 bool firstPass) {
    const auto present = [&playerLines](const QString &steamId) {
        for (const QString &line : playerLines) {
            if (line.contains(steamId))
                return true;
        }
        return false;
    };
    for (int row = 1; row < m_table.rowCount();) {
        if (m_table.cell(ServerColumn, row) != server ||
            present(m_table.cell(SteamIdColumn, row))) {
            ++row;
            continue;
        }
        if (!firstPass) {
            const PlayerRecord gone = record(row - 1);
            const QDateTime join = LogStamp::ParseLogStamp(gone.joinStamp, Clock::today());
            const QString duration = PlayerLines::durationText(join, Clock::now());
            const QString line = QStringLiteral("Player: ") + quoted(gone.name) +
                                 QStringLiteral(" (") + gone.steamId +
                                 QStringLiteral(") has left ") + quoted(gone.server) +
                                 QStringLiteral(" - Duration {") + duration + QLatin1Char('}');
            emit message(line);
            emit notificationRaised(quoted(gone.name) + QStringLiteral(" has left ") +
                                    quoted(gone.server));
            emit notifiedEventLogged(line);
        }
        m_playerSetChanged = true;
        DeleteRow(m_table, row);
    }
}

QString PlayerTracker::signature() const {
    QString text;
    for (int row = 1; row < m_table.rowCount(); ++row) {
        text += m_table.cell(ServerColumn, row) + m_table.cell(PlayerColumn, row) +
                m_table.cell(SteamIdColumn, row) + QLatin1Char('\n');
    }
    return text;
}

void PlayerTracker::checkSignature(bool firstPass) {
    const QString current = signature();
    if (current != m_previousSignature)
        playergridtolist(firstPass);
    m_previousSignature = current;
}

void PlayerTracker::playergridtolist(bool firstPass) {
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
        if (m_table.cell(ServerColumn, row) == server)
            DeleteRow(m_table, row);
    }
    m_playerSetChanged = false;
}

int PlayerTracker::renameServer(const QString &oldName, const QString &newName) {
    int moved = 0;
    for (int row = 1; row < m_table.rowCount(); ++row) {
        if (m_table.cell(ServerColumn, row) == oldName) {
            m_table.setCell(ServerColumn, row, newName);
            ++moved;
        }
    }
    return moved;
}
