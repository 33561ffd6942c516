#pragma once

// The statistics build as its steps read, kept plain so that the fast build can be checked against
// it line by line: every player row against every server column against every duration line, each
// test a substring search, and the rows ordered by the text of their total.
//
// A player's id is a SteamID64 (17 digits) or an EOS id (32 hexadecimal digits), read whole: the
// text between the first "´ (" that such an id and ")" follow and that ")".
//
// Where the steps leave a hand-broken line open, both builds settle it the same way: a player line
// needs such an id, a join line's server needs a backquote at or after
// character 30 and at least one character before the line's last, and a duration line whose
// duration ("hh:mm:ss", minutes and seconds below 60) or time stamp does not read is skipped.

#include "base/LogStamp.h"
#include "base/PlayerId.h"
#include "servers/StringTable.h"

#include <QCollator>
#include <QDate>
#include <QStringList>

#include <algorithm>

namespace StatisticsReference {

// The platform's comparison for the current locale, without regard to letter case.
inline int compareText(const QString &a, const QString &b) {
    static const QCollator collator = [] {
        QCollator c;
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator.compare(a, b);
}

inline int fieldValue(const QString &text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok ? value : 0;
}

inline QString addDurations(const QString &a, const QString &b) {
    const auto split = [](const QString &t, int &h, int &m, int &s) {
        const int first = int(t.indexOf(QLatin1Char(':')));
        const int second = int(t.indexOf(QLatin1Char(':'), first + 1));
        h = fieldValue(t.left(first));
        m = fieldValue(t.mid(first + 1, 2));
        s = fieldValue(t.mid(second + 1, 2));
    };
    int ha, ma, sa, hb, mb, sb;
    split(a, ha, ma, sa);
    split(b, hb, mb, sb);
    int s = sa + sb, carry = 0;
    if (s >= 60) {
        s -= 60;
        carry = 1;
    }
    int m = ma + mb + carry;
    carry = 0;
    if (m >= 60) {
        m -= 60;
        carry = 1;
    }
    const int h = ha + hb + carry;
    return QStringLiteral("%1:%2:%3")
        .arg(h, 2, 10, QLatin1Char('0'))
        .arg(m, 2, 10, QLatin1Char('0'))
        .arg(s, 2, 10, QLatin1Char('0'));
}

inline bool durationReads(const QString &d) {
    if (d.size() != 8 || d.at(2) != QLatin1Char(':') || d.at(5) != QLatin1Char(':'))
        return false;
    for (int i : {0, 1, 3, 4, 6, 7}) {
        if (d.at(i) < QLatin1Char('0') || d.at(i) > QLatin1Char('9'))
            return false;
    }
    return d.mid(3, 2).toInt() < 60 && d.mid(6, 2).toInt() < 60;
}

inline void sortTableRows(StringTable &table, int column) {
    const QString separator = QStringLiteral("@Ä×ª╝¢");
    QStringList texts;
    for (int r = 1; r < table.rowCount(); ++r) {
        QString text = table.cell(column, r) + separator;
        for (int c = 0; c < table.columnCount(); ++c)
            text += table.cell(c, r) + QLatin1Char('\n');
        texts << text;
    }
    std::stable_sort(texts.begin(), texts.end(),
                     [](const QString &a, const QString &b) { return compareText(a, b) < 0; });
    for (int i = 0; i < texts.size(); ++i) {
        const QString cells = texts.at(i).mid(texts.at(i).indexOf(separator) + separator.size());
        QStringList parts = cells.split(QLatin1Char('\n'));
        parts.removeLast();
        table.setRow(i + 1, parts);
    }
}

inline StringTable buildStatistics(const QStringList &lines, const QDate &today) {
    StringTable table(4, 1);
    table.setRow(0, {QStringLiteral("SteamID64"), QStringLiteral("Player"),
                     QStringLiteral("Last online"), QStringLiteral("Total hh:mm:ss")});
    QStringList known;
    QStringList servers;
    QStringList durationLines;

    for (const QString &line : lines) {
        if (line.contains(QStringLiteral("] Player: `"))) {
            int idAt = int(line.indexOf(QStringLiteral("´ (")));
            QString id;
            for (; idAt >= 0; idAt = int(line.indexOf(QStringLiteral("´ ("), idAt + 1))) {
                const int close = int(line.indexOf(QLatin1Char(')'), idAt + 3));
                id = close < 0 ? QString() : line.mid(idAt + 3, close - idAt - 3);
                if (PlayerId::isPlayerId(id))
                    break;
            }
            if (idAt >= 0) {
                const int nameAt = int(line.indexOf(QStringLiteral("] Player: `"))) + 11;
                const QString name = idAt > nameAt ? line.mid(nameAt, idAt - nameAt) : QString();
                if (!known.contains(id)) {
                    table.appendRow({id, name, QString(), QStringLiteral("00:00:00")});
                    known << id;
                }
                if (line.contains(QStringLiteral(") joined @ `")) ||
                    line.contains(QStringLiteral(") playing @ `"))) {
                    const int quote = int(line.indexOf(QLatin1Char('`'), 29));
                    if (quote >= 0 && quote + 1 < line.size() - 1) {
                        const QString server = line.mid(quote + 1, line.size() - 1 - (quote + 1));
                        // A sorted list that ignores letter case and keeps its first spelling.
                        int at = 0;
                        while (at < servers.size() && compareText(servers.at(at), server) < 0)
                            ++at;
                        if (at == servers.size() || compareText(servers.at(at), server) != 0)
                            servers.insert(at, server);
                    }
                }
            }
        }
        if (line.contains(QStringLiteral("´ - Duration {")))
            durationLines << line;
    }

    for (const QString &server : std::as_const(servers)) {
        table.setColumnCount(table.columnCount() + 1);
        table.setCell(table.columnCount() - 1, 0, server);
    }

    for (int c = 4; c < table.columnCount(); ++c) {
        const QString piece =
            QLatin1Char('`') + table.cell(c, 0) + QStringLiteral("´ - Duration {");
        for (int r = 1; r < table.rowCount(); ++r) {
            const QString id = table.cell(0, r);
            QString cell;
            for (int i = int(durationLines.size()) - 1; i >= 0; --i) {
                const QString &line = durationLines.at(i);
                if (!line.contains(piece) || !line.contains(id))
                    continue;
                const QDateTime stamp = LogStamp::ParseLogStamp(line.mid(1, 15), today);
                const QString duration =
                    line.size() >= 9 ? line.mid(line.size() - 9, 8) : QString();
                if (!stamp.isValid() || !durationReads(duration))
                    continue;
                const QString held = table.cell(2, r);
                if (held.isEmpty() ||
                    stamp.date() > QDate::fromString(held, QStringLiteral("dd.MM.yyyy")))
                    table.setCell(2, r, stamp.date().toString(QStringLiteral("dd.MM.yyyy")));
                cell = cell.isEmpty() ? duration : addDurations(cell, duration);
            }
            table.setCell(c, r, cell);
        }
    }

    for (int r = 1; r < table.rowCount(); ++r) {
        QString total = table.cell(3, r);
        for (int c = 4; c < table.columnCount(); ++c) {
            if (!table.cell(c, r).isEmpty())
                total = addDurations(total, table.cell(c, r));
        }
        table.setCell(3, r, total);
    }

    sortTableRows(table, 3);
    return table;
}

} // namespace StatisticsReference
