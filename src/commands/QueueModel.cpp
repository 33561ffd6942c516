#include "commands/QueueModel.h"

#include "base/IconIndex.h"
#include "commands/CommandQueue.h"

QueueModel::QueueModel(CommandQueue *queue, QObject *parent)
    : SortableTableModel(parent)
    , m_queue(queue) {
    connect(queue, &CommandQueue::entriesAboutToBeInserted, this,
            [this](int first, int last) { beginInsertRows(QModelIndex(), first, last); });
    connect(queue, &CommandQueue::entriesInserted, this, [this] { endInsertRows(); });
    connect(queue, &CommandQueue::entriesAboutToBeRemoved, this,
            [this](int first, int last) { beginRemoveRows(QModelIndex(), first, last); });
    connect(queue, &CommandQueue::entriesRemoved, this, [this] { endRemoveRows(); });
    connect(queue, &CommandQueue::entryChanged, this,
            [this](int row) { emit dataChanged(index(row, 0), index(row, ColumnCount - 1)); });
    connect(queue, &CommandQueue::aboutToBeReset, this, [this] { beginResetModel(); });
    connect(queue, &CommandQueue::reset, this, [this] { endResetModel(); });
    connect(queue, &CommandQueue::aboutToBeReordered, this, &QueueModel::beginPermuteRows);
    connect(queue, &CommandQueue::reordered, this, &QueueModel::endPermuteRows);
}

void QueueModel::headerClicked(int column) {
    if (column < 0 || column >= ColumnCount)
        return;
    m_sort.click(column);
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    applySort();
}

void QueueModel::sortEntries(int column, Qt::SortOrder order) {
    if (column < 0 || column >= ColumnCount)
        return;
    m_sort.set(column, order);
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    applySort();
}

void QueueModel::applySort() {
    const int column = m_sort.column();
    const QVector<QueueEntry> &entries = m_queue->entries();
    // "dd.mm.yyyy" in text order would put the first of every month together.
    const QVector<int> rows =
        column == StartTimeColumn
            ? m_sort.sortedRowsByKey(m_queue->count(),
                                     [&entries](int row) { return entries.at(row).startKey; })
            : m_sort.sortedRows(
                  m_queue->count(),
                  [this, column](int row) { return index(row, column).data().toString(); }, false);
    m_queue->reorder(rows);
}

int QueueModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : m_queue->count();
}

int QueueModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant QueueModel::data(const QModelIndex &index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const QueueEntry &entry = m_queue->entry(index.row());
    if (role == IconIndexRole)
        return index.column() == ScriptNameColumn ? QVariant(int(IconIndex::QueuedCommand))
                                                  : QVariant();
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case ScriptNameColumn:
        return entry.scriptName;
    case CommandColumn:
        return entry.command;
    case StartTimeColumn:
        return entry.timeField;
    case ServerColumn:
        return entry.server;
    default:
        return {};
    }
}

QVariant QueueModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == IconIndexRole)
        return m_sort.headerIcon(section);
    if (role != Qt::DisplayRole)
        return {};
    static const char *const captions[ColumnCount] = {
        QT_TR_NOOP("Script name"), QT_TR_NOOP("Script command"), QT_TR_NOOP("Start time"),
        QT_TR_NOOP("Server")};
    return tr(captions[section]);
}
