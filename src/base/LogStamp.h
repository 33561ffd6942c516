#pragma once

#include "base/Clock.h"

#include <QDateTime>
#include <QString>

// The "[yymmdd-hhnnss] " stamp of program-log lines and server-log lines.
namespace LogStamp {

constexpr int kLength = 16;

QString format(const QDateTime &when);

// Reads "yymmdd-hhnnss" from the first 13 characters; anything after them is ignored. A
// two-digit year is placed within 50 years before and 49 years after `now`'s year.
// Returns an invalid QDateTime when the text does not hold a date and time.
QDateTime ParseLogStamp(QStringView text, const QDate &today = Clock::today());

} // namespace LogStamp
