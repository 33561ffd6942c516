// The statistics build over a program log of any content: one row per player, each total the
// sum of that player's server times, the rows in ascending order of their totals, and a CSV of
// them.
#include "base/AnsiCodec.h"
#include "stats/PlayTime.h"
#include "stats/PlayerStatistics.h"
#include "stats/StatisticsCsv.h"

#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // The program log as the console reads it: its text, one entry per line.
    QStringList lines = AnsiCodec::decodeFile(bytes).split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    const PlayerStatistics statistics = BuildStatistics(lines, QDate(2026, 6, 1));
    const StringTable &table = statistics.table;
    const int servers = int(statistics.servers().size());
    FUZZ_CHECK(table.columnCount() == PlayerStatistics::FirstServerColumn + servers);

    qint64 previous = -1;
    for (int row = 1; row < table.rowCount(); ++row) {
        FUZZ_CHECK(!table.cell(PlayerStatistics::SteamIdColumn, row).isEmpty());
        qint64 sum = 0;
        for (int s = 0; s < servers; ++s) {
            const QString cell = table.cell(PlayerStatistics::FirstServerColumn + s, row);
            if (cell.isEmpty())
                continue;
            const qint64 seconds = PlayTime::seconds(cell);
            FUZZ_CHECK(seconds >= 0);
            sum += seconds;
        }
        const qint64 total = PlayTime::seconds(table.cell(PlayerStatistics::TotalColumn, row));
        FUZZ_CHECK(total == sum);
        FUZZ_CHECK(total >= previous);
        previous = total;
    }

    const QByteArray csv = StatisticsCsv::encode(statistics);
    FUZZ_CHECK(csv.count("\r\n") >= table.rowCount());
    return 0;
}
