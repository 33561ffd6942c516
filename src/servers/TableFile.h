#pragma once

#include <QByteArray>
#include <QString>

class StringTable;

// The table-file format of "server.dat" and "logs/sumtar.his": a CR LF line with the column
// count, one with the row count (header row included), then one line per cell, column by
// column. Each cell line is the cell's Windows-1252 bytes, at most 255, each XORed with
// kCellMask.
namespace TableFile {

// Below 32, so a byte of 32 or more stays at 32 or more and a cell never scrambles into a
// line break. Files written with another mask are not readable.
constexpr char kCellMask = 0x1D;
constexpr int kMaxCellBytes = 255;
// A file announcing more cells than this is taken as damaged rather than allocated.
constexpr qint64 kMaxCells = 1000000;

} // namespace TableFile

// XORs every byte with the cell mask; applying it twice restores the bytes.
QByteArray ScrambleText(const QByteArray &bytes);

// Writes the table whole through a temporary file, so a failed write leaves the previous file
// intact. Control characters in a cell are written as blanks so they cannot split a line.
// Returns false with a reason in errorText when the file could not be written.
bool SaveStringGrid(const StringTable &table, const QString &fileName,
                    QString *errorText = nullptr);

// Replaces the table's counts and cells with the file's. Lines missing at the end give empty
// cells; a line longer than 255 bytes gives its first 255. When the file is missing or cannot be
// read, or its counts are not decimal numbers, the table is left as it was and the function
// returns false with a reason in errorText.
bool LoadStringGrid(StringTable &table, const QString &fileName, QString *errorText = nullptr);
