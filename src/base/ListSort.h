#pragma once

#include <QString>
#include <QVariant>
#include <QVector>

#include <functional>

// The sort state of a list whose header sorts it: the sort column, the direction and the icon
// its header shows (IconIndex 3 ascending, 4 descending, none before the first click). Texts
// compare ordinally with only the letters A to Z taken without regard to case; integer columns
// compare as integers, a text that is not one counting as 0.
class ListSort final {
public:
    explicit ListSort(int column = 0)
        : m_column(column) {}

    int column() const { return m_column; }
    Qt::SortOrder order() const { return m_order; }
    // The IconIndex value the sort column's header shows; 0 while none shows, as app.ini keeps it.
    int icon() const { return m_icon; }
    // The icon index for the header of `section`, invalid for every other column.
    QVariant headerIcon(int section) const;

    // A stored state: descending only for the descending icon; no re-sort.
    void restore(int column, int iconIndex);
    // A click on the header of `column`: the sort column reverses its direction, another column
    // becomes the sort column, ascending. Either way its header shows the direction's icon.
    void click(int column);
    // Sorts by `column` in `order` and shows the matching icon.
    void set(int column, Qt::SortOrder order);

    // The rows 0..count-1 in the order of this state, by `textOf(row)` in the sort column. Rows
    // whose texts compare equal keep their order.
    QVector<int> sortedRows(int count, const std::function<QString(int row)> &textOf,
                            bool integerColumn) const;
    // The same with a key of its own per row (a column that does not compare as its text).
    QVector<int> sortedRowsByKey(int count, const std::function<qint64(int row)> &keyOf) const;

    // Negative, zero or positive as `a` sorts before, with or after `b`.
    static int compareText(const QString &a, const QString &b);
    static int integerValue(const QString &text);

private:
    int m_column;
    Qt::SortOrder m_order = Qt::AscendingOrder;
    int m_icon = 0;
};
