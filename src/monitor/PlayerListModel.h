#pragma once

#include "monitor/PlayerRecord.h"

#include <QAbstractTableModel>
#include <QTimer>

class PlayerTracker;

// The player list: one row per player record as of the last rebuild, with the time online that
// the online ticker keeps current.
class PlayerListModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlayerListModel)

public:
    enum Column { PlayerColumn, SteamIdColumn, ServerColumn, OnlineColumn, ColumnCount };
    // The IconIndex of the player column (the player icon).
    enum Role { IconIndexRole = Qt::UserRole + 1 };

    explicit PlayerListModel(PlayerTracker *tracker, QObject *parent = nullptr);

    const PlayerRecords &entries() const { return m_entries; }
    QString onlineText(int row) const { return m_online.value(row); }
    // "Program exit" lines, one per entry in list order, with the time online.
    QStringList programExitLines() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void rebuild(const PlayerRecords &records);
    void refreshOnline();

    PlayerRecords m_entries;
    // Join times in ms since the epoch: converting local times on every tick costs a time-zone
    // lookup per player.
    QVector<qint64> m_joins;
    QVector<QString> m_online;
    qint64 m_refreshedSecond = -1;
    QTimer m_ticker; // Timer14: the "Online" column follows the clock
};
