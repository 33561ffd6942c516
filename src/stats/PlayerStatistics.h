#pragma once

#include "servers/StringTable.h"

#include <QDate>
#include <QStringList>

// Every player the program log mentions: the newest name, the day last online, the total playing
// time and the time per server. Row 0 holds the captions; one column per server follows the
// first four, in the order of the server names without regard to letter case.
struct PlayerStatistics {
    enum Column { SteamIdColumn = 0, NameColumn, LastOnlineColumn, TotalColumn, FirstServerColumn };

    PlayerStatistics();

    int playerCount() const { return table.rowCount() - 1; }
    QStringList servers() const;

    // Player rows from 1, in ascending order of their total playing time.
    StringTable table;
};

// The statistics of the program log's lines (newest first). Only join, "playing", leave and
// "Program exit" lines count; a duration or time stamp that does not read skips its line (a time
// in the local clock's spring-forward gap still reads: only its day counts). `today` places the
// two-digit years of the stamps. Runs in about one pass over the lines.
PlayerStatistics BuildStatistics(const QStringList &logLines, const QDate &today);

// How SortTableRows compares the sort cells. Rows whose cells compare equal stay ordered by their
// cells in column order, compared as text.
enum class RowOrder { Text, PlayTime };

// Orders rows 1 and up by one column. Text compares the platform's way for the current locale
// without regard to letter case; PlayTime compares the cells as playing times (an empty or
// unreadable cell first), so 100:00:00 comes after 99:59:59.
void SortTableRows(StringTable &table, int column, RowOrder order = RowOrder::Text);
