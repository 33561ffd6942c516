#include "base/SortableTableModel.h"

void SortableTableModel::permuteRows(const QVector<int> &rows,
                                     const std::function<void()> &reorder) {
    beginPermuteRows();
    reorder();
    endPermuteRows(rows);
}

void SortableTableModel::beginPermuteRows() {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
}

void SortableTableModel::endPermuteRows(const QVector<int> &rows) {
    QVector<int> newRowOf(rows.size());
    for (int newRow = 0; newRow < rows.size(); ++newRow)
        newRowOf[rows.at(newRow)] = newRow;
    const QModelIndexList oldIndexes = persistentIndexList();
    QModelIndexList newIndexes;
    newIndexes.reserve(oldIndexes.size());
    for (const QModelIndex &index : oldIndexes)
        newIndexes.append(this->index(newRowOf.at(index.row()), index.column()));
    changePersistentIndexList(oldIndexes, newIndexes);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
