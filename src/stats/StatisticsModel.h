#pragma once

#include "base/IconIndex.h"
#include "base/SortableTableModel.h"
#include "stats/PlayerStatistics.h"

#include <QStringList>

// The statistics table as its view shows it: the player's name, the player's id (so that two
// players of one name are told apart), last online, total and one column per server, the most
// playing time first. A click on a header sorts by that column; the sort column and direction
// outlast a new build, the header icon does not.
class StatisticsModel final : public SortableTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatisticsModel)

public:
    enum Column { PlayerColumn, PlayerIdColumn, LastOnlineColumn, TotalColumn, FirstServerColumn };
    // The IconIndex of a player cell, or of the sort column's header.
    enum Role { IconIndexRole = Qt::UserRole + 1 };

    explicit StatisticsModel(QObject *parent = nullptr);

    void setStatistics(const PlayerStatistics &statistics);

    // The sort of a header click: a second click on the sort column reverses the direction, a
    // click on another column sorts it ascending. Names and dates compare as text with the
    // letters A to Z taken without regard to case (dates year first); playing times as durations.
    void headerClicked(int column);
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }
    IconIndex sortIcon() const { return m_sortIcon; }

    // The statistics table's captions, SteamID64 included, and its rows in the order shown.
    QStringList exportHeader() const { return m_header; }
    const QList<QStringList> &exportRows() const { return m_rows; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void sortRows(int column, Qt::SortOrder order);
    // The statistics table's column shown in `column`.
    static int cellOf(int column);

    QStringList m_header;
    QList<QStringList> m_rows;
    int m_sortColumn = PlayerColumn;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    IconIndex m_sortIcon = IconIndex::None;
};
