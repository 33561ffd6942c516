#include "base/ListSort.h"

#include "base/IconIndex.h"

#include <algorithm>
#include <numeric>

namespace {
template <typename Less> QVector<int> stableOrder(int count, bool descending, Less less) {
    QVector<int> rows(count);
    std::iota(rows.begin(), rows.end(), 0);
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
        // Descending swaps the operands, so equal rows keep their order either way.
        return descending ? less(b, a) : less(a, b);
    });
    return rows;
}
} // namespace

QVariant ListSort::headerIcon(int section) const {
    return section == m_column && m_icon != 0 ? QVariant(m_icon) : QVariant();
}

void ListSort::restore(int column, int iconIndex) {
    m_column = column;
    const int ascending = int(IconIndex::SortAscending);
    const int descending = int(IconIndex::SortDescending);
    m_order = iconIndex == descending ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_icon = (iconIndex == ascending || iconIndex == descending) ? iconIndex : 0;
}

void ListSort::click(int column) {
    Qt::SortOrder order = Qt::AscendingOrder;
    if (column == m_column)
        order = m_order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    set(column, order);
}

void ListSort::set(int column, Qt::SortOrder order) {
    m_column = column;
    m_order = order;
    m_icon =
        int(order == Qt::AscendingOrder ? IconIndex::SortAscending : IconIndex::SortDescending);
}

QVector<int> ListSort::sortedRows(int count, const std::function<QString(int)> &textOf,
                                  bool integerColumn) const {
    const bool descending = m_order == Qt::DescendingOrder;
    if (integerColumn) {
        QVector<int> values(count);
        for (int row = 0; row < count; ++row)
            values[row] = integerValue(textOf(row));
        return stableOrder(count, descending,
                           [&](int a, int b) { return values.at(a) < values.at(b); });
    }
    QStringList texts;
    texts.reserve(count);
    for (int row = 0; row < count; ++row)
        texts << textOf(row);
    return stableOrder(count, descending,
                       [&](int a, int b) { return compareText(texts.at(a), texts.at(b)) < 0; });
}

QVector<int> ListSort::sortedRowsByKey(int count, const std::function<qint64(int)> &keyOf) const {
    QVector<qint64> keys(count);
    for (int row = 0; row < count; ++row)
        keys[row] = keyOf(row);
    return stableOrder(count, m_order == Qt::DescendingOrder,
                       [&](int a, int b) { return keys.at(a) < keys.at(b); });
}

int ListSort::compareText(const QString &a, const QString &b) {
    const auto fold = [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= u'a' && u <= u'z') ? static_cast<char16_t>(u - 32) : u;
    };
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t x = fold(a.at(i));
        const char16_t y = fold(b.at(i));
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

int ListSort::integerValue(const QString &text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : 0;
}
