// The queue-file reader (scripts/cmdlist.kvl): every entry that can be read comes back, never
// more than the file announces, and what was read writes and reads back unchanged.
#include "commands/QueueFile.h"

#include "FuzzInput.h"

namespace {
bool sameEntries(const QVector<QueueEntry> &a, const QVector<QueueEntry> &b) {
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].scriptName != b[i].scriptName || a[i].command != b[i].command ||
            a[i].timeField != b[i].timeField || a[i].server != b[i].server ||
            a[i].startKey != b[i].startKey)
            return false;
    }
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QueueFile::ReadResult result = QueueFile::read(bytes);
    if (result.announced >= 0)
        FUZZ_CHECK(result.entries.size() <= result.announced);
    else
        FUZZ_CHECK(result.entries.isEmpty());
    if (!result.isDamaged() && result.announced >= 0)
        FUZZ_CHECK(result.entries.size() == result.announced);
    for (const QueueEntry &entry : result.entries) {
        for (const QString *text :
             {&entry.scriptName, &entry.command, &entry.timeField, &entry.server})
            FUZZ_CHECK(text->size() <= 255);
    }

    const QueueFile::ColumnWidths widths =
        result.hasColumnWidths ? result.columnWidths : QueueFile::ColumnWidths{100, 200, 150, 120};
    const QueueFile::ReadResult again = QueueFile::read(QueueFile::write(result.entries, widths));
    FUZZ_CHECK(!again.isDamaged());
    FUZZ_CHECK(again.announced == result.entries.size());
    FUZZ_CHECK(sameEntries(again.entries, result.entries));
    FUZZ_CHECK(again.hasColumnWidths);
    FUZZ_CHECK(again.columnWidths == widths);
    return 0;
}
