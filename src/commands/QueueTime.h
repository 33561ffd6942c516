#pragma once

#include <QDateTime>
#include <QString>

// Start times of queued commands: written as "dd.mm.yyyy hh:nn:ss" (local wall-clock time) on
// every desktop, whatever its regional settings, and compared as wall-clock times.
namespace QueueTime {

// The 19 characters of the time format.
QString format(const QDateTime &when);

// The wall-clock time as the number yyyymmddhhnnss, so times compare as integers.
qint64 key(const QDateTime &when);

// The key of a time field: the date in its first ten characters and the time in characters 12
// to 19 (character 11 and anything after 19 are not looked at); 0 when they hold no valid time.
qint64 parse(const QString &field);

} // namespace QueueTime
