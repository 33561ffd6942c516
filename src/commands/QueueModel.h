#pragma once

#include "base/ListSort.h"
#include "base/SortableTableModel.h"

class CommandQueue;

// The queue view's table over the command queue: one row per entry with its script name,
// command, start time and server, the queue icon in column 0. A header click sorts the queue
// itself, which is the order the scheduler walks and the file keeps.
class QueueModel final : public SortableTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QueueModel)

public:
    enum Column { ScriptNameColumn, CommandColumn, StartTimeColumn, ServerColumn, ColumnCount };
    // The IconIndex of an entry in column 0, or of the sort column's header.
    enum Role { IconIndexRole = Qt::UserRole + 1 };

    explicit QueueModel(CommandQueue *queue, QObject *parent = nullptr);

    // A click on the header of `column`: the same column reverses, another sorts ascending.
    void headerClicked(int column);
    // Texts compare as the header click's text order; start times compare as times, with the
    // entries that show a state instead of a time first.
    void sortEntries(int column, Qt::SortOrder order);
    int sortColumn() const { return m_sort.column(); }
    Qt::SortOrder sortOrder() const { return m_sort.order(); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    void applySort();

    CommandQueue *m_queue;
    ListSort m_sort;
};
