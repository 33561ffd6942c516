#pragma once

#include "base/ListSort.h"
#include "base/SortableTableModel.h"
#include "monitor/PlayerRecord.h"

#include <QHash>
#include <QTimer>

class PlayerTracker;

// The player list: one row per player record as of the last rebuild, with the time online that
// the online ticker keeps current (worked out when a view asks, so a tick costs no pass over
// thousands of rows). Every column sorts by its text on a header click; once the
// operator has sorted it, each rebuild keeps that order (equal texts in the tracker's order).
class PlayerListModel final : public SortableTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlayerListModel)

public:
    enum Column { PlayerColumn, SteamIdColumn, ServerColumn, OnlineColumn, ColumnCount };
    // The IconIndex of the player column (the player icon).
    enum Role { IconIndexRole = Qt::UserRole + 1 };

    explicit PlayerListModel(PlayerTracker *tracker, QObject *parent = nullptr);

    const PlayerRecords &entries() const { return m_entries; }
    QString onlineText(int row) const;
    // "Program exit" lines, one per entry in list order, with the time online.
    QStringList programExitLines() const;

    // A click on the header of `column`: the same column reverses, another sorts ascending.
    void headerClicked(int column);
    int sortColumn() const { return m_sort.column(); }
    Qt::SortOrder sortOrder() const { return m_sort.order(); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void rebuild(const PlayerRecords &records);
    void refreshOnline();
    // Applies a rebuild as removed, inserted and changed rows; false when the order of the
    // rows that stay has changed.
    bool updateRows(const PlayerRecords &entries, const QVector<qint64> &joins,
                    const QHash<QString, int> &shown);
    // The row of each id on show.
    const QHash<QString, int> &rowsById();
    QString columnText(int row, int column) const;
    static QString recordText(const PlayerRecord &entry, int column);
    // Rows in the order of the sort state, their texts as they are now.
    QVector<int> sortedRows() const;
    void reorder(const QVector<int> &rows);

    PlayerRecords m_entries;
    // Join times in ms since the epoch: converting local times on every tick costs a time-zone
    // lookup per player.
    QVector<qint64> m_joins;
    QHash<QString, int> m_rowOf;
    bool m_rowOfValid = false;
    // The time the "Online" texts are shown for: the ticker moves it once a second.
    qint64 m_nowMs = 0;
    QTimer m_ticker; // Timer14: the "Online" column follows the clock
    ListSort m_sort;
    bool m_sorted = false; // until the first click the list keeps the tracker's order
};
