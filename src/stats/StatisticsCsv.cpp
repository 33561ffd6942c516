#include "stats/StatisticsCsv.h"

#include "stats/PlayerStatistics.h"

namespace {
void appendRecord(QByteArray &out, const QStringList &fields) {
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out += ',';
        const QString &field = fields.at(i);
        const bool quoted = field.contains(QLatin1Char(',')) || field.contains(QLatin1Char('"')) ||
                            field.contains(QLatin1Char('\r')) || field.contains(QLatin1Char('\n'));
        if (!quoted) {
            out += field.toUtf8();
            continue;
        }
        QString escaped = field;
        escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        out += '"' + escaped.toUtf8() + '"';
    }
    out += "\r\n";
}
} // namespace

QByteArray StatisticsCsv::encode(const QStringList &header, const QList<QStringList> &rows) {
    QByteArray out;
    appendRecord(out, header);
    for (const QStringList &row : rows)
        appendRecord(out, row);
    return out;
}

QByteArray StatisticsCsv::encode(const PlayerStatistics &statistics) {
    const StringTable &table = statistics.table;
    QList<QStringList> rows;
    rows.reserve(table.rowCount() - 1);
    for (int r = table.rowCount() - 1; r >= 1; --r)
        rows << table.row(r);
    return encode(table.row(0), rows);
}
