#pragma once

#include "commands/BanList.h"

#include <QAbstractTableModel>

class ProgramLog;

// The bans in force as the program log tells them, newest first, with an "Unban" cell on each
// row. The list is read again from the log on refresh(); needsRefresh() says whether an entry
// that may change it came since.
class BanListModel final : public QAbstractTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BanListModel)

public:
    enum Column { PlayerColumn, IdColumn, ServerColumn, DateColumn, UnbanColumn, ColumnCount };

    explicit BanListModel(ProgramLog *log, QObject *parent = nullptr);

    const QVector<BanList::Ban> &bans() const { return m_bans; }
    bool needsRefresh() const { return m_stale; }
    void refresh();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    // An entry that may change the list came, or the log was replaced.
    void staleChanged();

private:
    void markStale();

    ProgramLog *m_log;
    QVector<BanList::Ban> m_bans;
    bool m_stale = true;
};
