// The table-file reader (server.dat, sumtar.his): any bytes either load or are refused with a
// reason, and a loaded table, once saved, saves again to the very same bytes.
#include "base/WholeFile.h"
#include "servers/StringTable.h"
#include "servers/TableFile.h"

#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QString file = fuzzScratchFile("table.dat");
    const QString saved = fuzzScratchFile("table-saved.dat");
    FUZZ_CHECK(
        WholeFile::write(file, QByteArray(reinterpret_cast<const char *>(data), qsizetype(size))));

    StringTable table(2, 3);
    table.setCell(1, 2, QStringLiteral("before"));
    const StringTable before = table;
    QString error;
    if (!LoadStringGrid(table, file, &error)) {
        FUZZ_CHECK(!error.isEmpty());
        FUZZ_CHECK(table == before);
        return 0;
    }
    FUZZ_CHECK(table.columnCount() >= 1 && table.rowCount() >= 1);
    FUZZ_CHECK(qint64(table.columnCount()) * table.rowCount() <= TableFile::kMaxCells);

    FUZZ_CHECK(SaveStringGrid(table, saved));
    QByteArray first;
    FUZZ_CHECK(WholeFile::read(saved, &first) == WholeFile::ReadResult::Read);
    StringTable reloaded;
    FUZZ_CHECK(LoadStringGrid(reloaded, saved));
    FUZZ_CHECK(reloaded.columnCount() == table.columnCount());
    FUZZ_CHECK(reloaded.rowCount() == table.rowCount());
    FUZZ_CHECK(SaveStringGrid(reloaded, saved));
    QByteArray second;
    FUZZ_CHECK(WholeFile::read(saved, &second) == WholeFile::ReadResult::Read);
    FUZZ_CHECK(first == second);
    return 0;
}
