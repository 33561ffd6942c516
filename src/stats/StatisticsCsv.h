#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

struct PlayerStatistics;

// Comma-separated values after RFC 4180, in UTF-8: CR LF after every record, and a field that
// holds a comma, a double quote or a line break enclosed in double quotes, its quotes doubled.
namespace StatisticsCsv {

QByteArray encode(const QStringList &header, const QList<QStringList> &rows);

// The statistics table's captions, then its players with the most playing time first.
QByteArray encode(const PlayerStatistics &statistics);

} // namespace StatisticsCsv
