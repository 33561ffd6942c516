#pragma once

#include <QAbstractTableModel>
#include <QVector>

#include <functional>

// A table model whose rows can be put in a new order as one layout change, with every
// persistent index (the view's selection and current row) following its row.
class SortableTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

protected:
    // Puts old row rows[i] at row i: `reorder` rearranges the model's own data the same way,
    // between the layout signals.
    void permuteRows(const QVector<int> &rows, const std::function<void()> &reorder);
    // The same in two halves, for a model whose data is put in order by its owner: announce the
    // change, then, once old row rows[i] is at row i, move the persistent indexes.
    void beginPermuteRows();
    void endPermuteRows(const QVector<int> &rows);

    // The items of `items` in the order `rows`.
    template <typename List> static List inRowOrder(const List &items, const QVector<int> &rows) {
        List ordered;
        ordered.reserve(rows.size());
        for (int row : rows)
            ordered.append(items.at(row));
        return ordered;
    }
};
