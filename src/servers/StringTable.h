#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// A rectangular table of texts whose row 0 is a header row; it holds the server list on its way to
// and from "server.dat", the player table and the statistics table. Both counts are at least 1.
class StringTable final {
public:
    StringTable() = default;
    StringTable(int columnCount, int rowCount);

    int columnCount() const { return m_columnCount; }
    int rowCount() const { return static_cast<int>(m_rows.size()); }

    // A count below 1 becomes 1; growing adds empty cells, shrinking drops the last ones.
    void setColumnCount(int count);
    void setRowCount(int count);

    // A cell outside the table reads as the empty text; writing one is refused.
    QString cell(int column, int row) const;
    bool setCell(int column, int row, const QString &text);

    QStringList row(int row) const;
    // Cells beyond the column count are dropped, missing ones are empty.
    bool setRow(int row, const QStringList &cells);
    void appendRow(const QStringList &cells);
    bool removeRow(int row);
    // Removes the rows named in ascending order in one pass; the header row and rows outside the
    // table are never removed. Returns how many went.
    int removeRows(const QList<int> &ascendingRows);

    bool operator==(const StringTable &other) const;
    bool operator!=(const StringTable &other) const { return !(*this == other); }

private:
    QVector<QString> fittedRow(const QStringList &cells) const;

    int m_columnCount = 1;
    QVector<QVector<QString>> m_rows{QVector<QString>(1)};
};

// Removes one data row (1 or later); the rows after it move up. Row 0, the header, stays.
bool DeleteRow(StringTable &table, int row);
