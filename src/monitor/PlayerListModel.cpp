#include "monitor/PlayerListModel.h"

#include "base/Clock.h"
#include "base/IconIndex.h"
#include "base/Intervals.h"
#include "base/LogStamp.h"
#include "base/PlayerLogLine.h"
#include "monitor/PlayerLines.h"
#include "monitor/PlayerTracker.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <limits>

namespace {
constexpr qint64 kNoJoin = std::numeric_limits<qint64>::min();

QString onlineSince(qint64 joinMs, qint64 nowMs) {
    return joinMs == kNoJoin ? QStringLiteral("00:00:00")
                             : PlayerLogLine::durationText((nowMs - joinMs) / 1000);
}
} // namespace

PlayerListModel::PlayerListModel(PlayerTracker *tracker, QObject *parent)
    : SortableTableModel(parent)
    , m_nowMs(Clock::now().toMSecsSinceEpoch()) {
    connect(tracker, &PlayerTracker::playerListRebuilt, this, &PlayerListModel::rebuild);
    m_ticker.setInterval(Intervals::instance().onlineTickerMs);
    connect(&m_ticker, &QTimer::timeout, this, &PlayerListModel::refreshOnline);
    m_ticker.start();
}

void PlayerListModel::rebuild(const PlayerRecords &records) {
    refreshOnline(); // the new rows are shown against the time as it is now
    const QDate today = Clock::today();
    PlayerRecords entries = records;
    QVector<qint64> joins;
    joins.reserve(records.size());
    // A stamp is parsed once per player, not at every rebuild: with thousands of players the
    // time-zone work of parsing them all would hold up the window.
    const QHash<QString, int> &shown = rowsById();
    for (const PlayerRecord &record : records) {
        const int row = shown.value(record.steamId, -1);
        if (row >= 0 && m_entries.at(row).joinStamp == record.joinStamp) {
            joins.append(m_joins.at(row));
            continue;
        }
        const QDateTime join = LogStamp::ParseLogStamp(record.joinStamp, today);
        joins.append(join.isValid() ? join.toMSecsSinceEpoch() : kNoJoin);
    }
    if (m_sorted) {
        const int column = m_sort.column();
        const QVector<int> rows = m_sort.sortedRows(
            int(entries.size()),
            [&](int row) {
                return column == OnlineColumn ? onlineSince(joins.at(row), m_nowMs)
                                              : recordText(entries.at(row), column);
            },
            false);
        entries = inRowOrder(entries, rows);
        joins = inRowOrder(joins, rows);
    }
    if (!updateRows(entries, joins, shown)) {
        beginResetModel();
        m_entries = entries;
        m_joins = joins;
        m_rowOfValid = false;
        endResetModel();
    }
}

bool PlayerListModel::updateRows(const PlayerRecords &entries, const QVector<qint64> &joins,
                                 const QHash<QString, int> &shown) {
    // Rows that stay keep their place, so a view keeps its selection and scroll position and
    // only what changed is drawn again; a change of order is shown by a reset. `shown` holds
    // the row of every id on show; each new entry costs one look-up in it.
    if (shown.size() != m_entries.size())
        return false;
    QVector<bool> staying(m_entries.size(), false);
    QSet<QString> arriving;
    int lastStaying = -1;
    for (const PlayerRecord &entry : entries) {
        const int row = shown.value(entry.steamId, -1);
        if (row < 0) {
            if (arriving.contains(entry.steamId))
                return false;
            arriving.insert(entry.steamId);
            continue;
        }
        // The rows that stay must come in the same order, each once.
        if (row <= lastStaying)
            return false;
        lastStaying = row;
        staying[row] = true;
    }

    QList<int> goneRows; // ascending, as they were before
    for (int row = 0; row < m_entries.size(); ++row) {
        if (!staying.at(row)) {
            goneRows << row;
            m_rowOf.remove(m_entries.at(row).steamId);
        }
    }
    for (int last = int(m_entries.size()) - 1; last >= 0; --last) {
        if (staying.at(last))
            continue;
        int first = last;
        while (first > 0 && !staying.at(first - 1))
            --first;
        beginRemoveRows(QModelIndex(), first, last);
        m_entries.remove(first, last - first + 1);
        m_joins.remove(first, last - first + 1);
        endRemoveRows();
        last = first;
    }
    // Where each row that stayed ends up, by its place among them.
    QVector<int> placeOfStaying;
    placeOfStaying.reserve(m_entries.size());
    QList<int> arrivedRows;
    int row = 0;
    for (qsizetype next = 0; next < entries.size();) {
        if (row < m_entries.size() && m_entries.at(row).steamId == entries.at(next).steamId) {
            PlayerRecord &entry = m_entries[row];
            const PlayerRecord &fresh = entries.at(next);
            // The time online is the ticker's to move, for all rows at once.
            if (entry.server != fresh.server || entry.name != fresh.name ||
                entry.joinStamp != fresh.joinStamp) {
                entry = fresh;
                m_joins[row] = joins.at(next);
                emit dataChanged(index(row, 0), index(row, ColumnCount - 1));
            }
            placeOfStaying.append(row);
            ++row;
            ++next;
            continue;
        }
        qsizetype end = next;
        while (end < entries.size() && arriving.contains(entries.at(end).steamId))
            ++end;
        const int count = int(end - next);
        beginInsertRows(QModelIndex(), row, row + count - 1);
        for (qsizetype i = next; i < end; ++i) {
            const int to = row + int(i - next);
            m_entries.insert(to, entries.at(i));
            m_joins.insert(to, joins.at(i));
            arrivedRows << to; // rows to its left are in their final place
        }
        endInsertRows();
        row += count;
        next = end;
    }
    // The index follows without a look at the ids of the rows that stayed.
    if (!goneRows.isEmpty() || !arriving.isEmpty()) {
        for (auto it = m_rowOf.begin(); it != m_rowOf.end(); ++it) {
            const int before = it.value();
            const int gone = int(std::lower_bound(goneRows.cbegin(), goneRows.cend(), before) -
                                 goneRows.cbegin());
            it.value() = placeOfStaying.at(before - gone);
        }
        for (const int at : std::as_const(arrivedRows))
            m_rowOf.insert(m_entries.at(at).steamId, at);
    }
    return true;
}

const QHash<QString, int> &PlayerListModel::rowsById() {
    if (!m_rowOfValid) {
        m_rowOf.clear();
        m_rowOf.reserve(m_entries.size());
        for (int row = 0; row < m_entries.size(); ++row)
            m_rowOf.insert(m_entries.at(row).steamId, row);
        m_rowOfValid = true;
    }
    return m_rowOf;
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
    m_rowOfValid = false;
}

void PlayerListModel::refreshOnline() {
    const qint64 now = Clock::now().toMSecsSinceEpoch();
    // Join times are whole seconds: the texts only move when the second does, and then all of
    // them do. A view asks again only for the rows it shows.
    const bool moved = now / 1000 != m_nowMs / 1000;
    m_nowMs = now;
    if (moved && !m_entries.isEmpty())
        emit dataChanged(index(0, OnlineColumn), index(rowCount() - 1, OnlineColumn),
                         {Qt::DisplayRole});
}

QString PlayerListModel::onlineText(int row) const {
    return row >= 0 && row < m_joins.size() ? onlineSince(m_joins.at(row), m_nowMs) : QString();
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
    return column == OnlineColumn ? onlineSince(m_joins.at(row), m_nowMs)
                                  : recordText(m_entries.at(row), column);
}

QString PlayerListModel::recordText(const PlayerRecord &entry, int column) {
    switch (column) {
    case PlayerColumn:
        return entry.name;
    case SteamIdColumn:
        return entry.steamId;
    case ServerColumn:
        return entry.server;
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
