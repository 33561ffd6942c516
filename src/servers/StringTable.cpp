#include "servers/StringTable.h"

#include <algorithm>

StringTable::StringTable(int columnCount, int rowCount) {
    setColumnCount(columnCount);
    setRowCount(rowCount);
}

void StringTable::setColumnCount(int count) {
    m_columnCount = std::max(1, count);
    for (auto &cells : m_rows)
        cells.resize(m_columnCount);
}

void StringTable::setRowCount(int count) {
    m_rows.resize(std::max(1, count), QVector<QString>(m_columnCount));
}

QString StringTable::cell(int column, int row) const {
    if (column < 0 || column >= m_columnCount || row < 0 || row >= rowCount())
        return {};
    return m_rows.at(row).at(column);
}

bool StringTable::setCell(int column, int row, const QString &text) {
    if (column < 0 || column >= m_columnCount || row < 0 || row >= rowCount())
        return false;
    m_rows[row][column] = text;
    return true;
}

QStringList StringTable::row(int row) const {
    if (row < 0 || row >= rowCount())
        return {};
    return QStringList(m_rows.at(row).cbegin(), m_rows.at(row).cend());
}

bool StringTable::setRow(int row, const QStringList &cells) {
    if (row < 0 || row >= rowCount())
        return false;
    m_rows[row] = fittedRow(cells);
    return true;
}

void StringTable::appendRow(const QStringList &cells) {
    m_rows.append(fittedRow(cells));
}

bool StringTable::removeRow(int row) {
    if (row < 0 || row >= rowCount() || rowCount() == 1)
        return false;
    m_rows.removeAt(row);
    return true;
}

int StringTable::removeRows(const QList<int> &ascendingRows) {
    // Each kept row moves up once, however many rows go.
    int to = 1;
    qsizetype next = 0;
    const int count = rowCount();
    for (int from = 1; from < count; ++from) {
        while (next < ascendingRows.size() && ascendingRows.at(next) < from)
            ++next;
        if (next < ascendingRows.size() && ascendingRows.at(next) == from)
            continue;
        if (to != from)
            m_rows[to] = std::move(m_rows[from]);
        ++to;
    }
    const int removed = count - to;
    m_rows.resize(to);
    return removed;
}

bool StringTable::operator==(const StringTable &other) const {
    return m_columnCount == other.m_columnCount && m_rows == other.m_rows;
}

QVector<QString> StringTable::fittedRow(const QStringList &cells) const {
    QVector<QString> fitted(m_columnCount);
    const int n = std::min(m_columnCount, static_cast<int>(cells.size()));
    for (int c = 0; c < n; ++c)
        fitted[c] = cells.at(c);
    return fitted;
}

bool DeleteRow(StringTable &table, int row) {
    if (row < 1)
        return false;
    return table.removeRow(row);
}
