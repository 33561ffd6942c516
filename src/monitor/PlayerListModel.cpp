#include "monitor/PlayerListModel.h"

#include "base/Clock.h"
#include "base/IconIndex.h"
#include "base/Intervals.h"
#include "base/LogStamp.h"
#include "base/PlayerLogLine.h"
#include "monitor/PlayerLines.h"
#include "monitor/PlayerTracker.h"

#include <limits>

namespace {
constexpr qint64 kNoJoin = std::numeric_limits<qint64>::min();

QString onlineSince(qint64 joinMs, qint64 nowMs) {
    return joinMs == kNoJoin ? QStringLiteral("00:00:00")
                             : PlayerLogLine::durationText((nowMs - joinMs) / 1000);
}
} // namespace

PlayerListModel::PlayerListModel(PlayerTracker *tracker, QObject *parent)
    : SortableTableModel(parent) {
    connect(tracker, &PlayerTracker::playerListRebuilt, this, &PlayerListModel::rebuild);
    m_ticker.setInterval(Intervals::instance().onlineTickerMs);
    connect(&m_ticker, &QTimer::timeout, this, &PlayerListModel::refreshOnline);
    m_ticker.start();
}

void PlayerListModel::rebuild(const PlayerRecords &records) {
    beginResetModel();
    m_entries = records;
    const QDate today = Clock::today();
    const qint64 now = Clock::now().toMSecsSinceEpoch();
    m_joins.clear();
    m_online.clear();
    for (const PlayerRecord &record : records) {
        const QDateTime join = LogStamp::ParseLogStamp(record.joinStamp, today);
        m_joins.append(join.isValid() ? join.toMSecsSinceEpoch() : kNoJoin);
        m_online.append(onlineSince(m_joins.constLast(), now));
    }
    m_refreshedSecond = now / 1000;
    if (m_sorted)
        reorder(sortedRows());
    endResetModel();
}

void PlayerListModel::headerClicked(int column) {
    if (column < 0 || column >= ColumnCount)
        return;
    m_sort.click(column);
    m_sorted = true;
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    const QVector<int> rows = sortedRows();
    permuteRows(rows, [this, &rows] { reorder(rows); });
}

QVector<int> PlayerListModel::sortedRows() const {
    const int column = m_sort.column();
    return m_sort.sortedRows(
        int(m_entries.size()), [this, column](int row) { return columnText(row, column); }, false);
}

void PlayerListModel::reorder(const QVector<int> &rows) {
    m_entries = inRowOrder(m_entries, rows);
    m_joins = inRowOrder(m_joins, rows);
    m_online = inRowOrder(m_online, rows);
}

void PlayerListModel::refreshOnline() {
    if (m_entries.isEmpty())
        return;
    const qint64 now = Clock::now().toMSecsSinceEpoch();
    // Join times are whole seconds: the texts only move when the second does.
    const qint64 second = now / 1000;
    if (second == m_refreshedSecond)
        return;
    m_refreshedSecond = second;
    int first = -1;
    int last = -1;
    for (int row = 0; row < m_entries.size(); ++row) {
        const QString text = onlineSince(m_joins.at(row), now);
        if (text == m_online.at(row))
            continue;
        m_online[row] = text;
        if (first < 0)
            first = row;
        last = row;
    }
    // Most ticks change nothing: the text moves once a second.
    if (first >= 0)
        emit dataChanged(index(first, OnlineColumn), index(last, OnlineColumn), {Qt::DisplayRole});
}

QStringList PlayerListModel::programExitLines() const {
    const qint64 now = Clock::now().toMSecsSinceEpoch();
    QStringList lines;
    for (int row = 0; row < m_entries.size(); ++row) {
        const PlayerRecord &entry = m_entries.at(row);
        const qint64 join = m_joins.at(row);
        lines << PlayerLogLine{PlayerLogLine::Kind::ProgramExit, entry.name, entry.steamId,
                               entry.server, onlineSince(join, now)}
                     .text();
        if (join != kNoJoin && now < join)
            PlayerLines::reportClockSetBack(lines.constLast(), entry.joinStamp,
                                            QStringLiteral(" (Program exit)"));
    }
    return lines;
}

int PlayerListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_entries.size());
}

int PlayerListModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PlayerListModel::data(const QModelIndex &index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role == IconIndexRole)
        return index.column() == PlayerColumn ? QVariant(int(IconIndex::Player)) : QVariant();
    if (role != Qt::DisplayRole)
        return {};
    return columnText(index.row(), index.column());
}

QString PlayerListModel::columnText(int row, int column) const {
    const PlayerRecord &entry = m_entries.at(row);
    switch (column) {
    case PlayerColumn:
        return entry.name;
    case SteamIdColumn:
        return entry.steamId;
    case ServerColumn:
        return entry.server;
    case OnlineColumn:
        return m_online.at(row);
    default:
        return {};
    }
}

QVariant PlayerListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == IconIndexRole)
        return m_sort.headerIcon(section);
    if (role != Qt::DisplayRole)
        return {};
    static const char *const captions[ColumnCount] = {QT_TR_NOOP("Player"),
                                                      QT_TR_NOOP("Steam 64 ID"),
                                                      QT_TR_NOOP("Server"), QT_TR_NOOP("Online")};
    return tr(captions[section]);
}
