#pragma once

#include "commands/QueueEntry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>

// The queue file "scripts/cmdlist.kvl": an object stream of the queue view, the entries in its
// binary property "Items.ItemData" and the view's columns beside them. Files written by other
// programs carry more of the view's properties; the reader steps over every one it does not need
// by its value tag.
namespace QueueFile {

constexpr int kColumnCount = 4;
using ColumnWidths = std::array<int, kColumnCount>;

// The value tags of the stream.
enum ValueTag : quint8 {
    vaNull = 0,
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5,
    vaString = 6,
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10,
    vaSet = 11,
    vaLString = 12,
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16,
    vaDate = 17,
    vaWString = 18,
    vaInt64 = 19,
    vaUTF8String = 20,
    vaDouble = 21,
};

struct ReadResult final {
    QVector<QueueEntry> entries;
    // The four column widths, when the file stores all four.
    bool hasColumnWidths = false;
    ColumnWidths columnWidths{};
    // Why the entries stop short, empty when everything was read; `announced` is the number of
    // entries the file says it holds (-1 when the damage lies before that number).
    QString problem;
    int announced = -1;

    bool isDamaged() const { return !problem.isEmpty(); }
};

// "Script name", "Script command", "Start time", "Server".
QStringList columnCaptions();

// The whole file: the view's four columns with their captions and widths, then the entries.
// Each text is cut to 255 UTF-16 code units, the format's limit.
QByteArray write(const QVector<QueueEntry> &entries, const ColumnWidths &widths);

// Every entry that can be read, in file order; never fails as a whole.
ReadResult read(const QByteArray &bytes);

} // namespace QueueFile
