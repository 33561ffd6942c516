#pragma once

#include <QString>
#include <QStringView>

// Playing times as the statistics write them: hours in two or more digits, then minutes and
// seconds in two digits each ("123:04:05").
namespace PlayTime {

// Seconds of a playing time, or -1 when the text is not one (minutes and seconds must be below
// 60, hours at least two digits).
qint64 seconds(QStringView text);

QString format(qint64 seconds);

// The hours as a fraction ("123:30:00" is 123.5); an empty or unreadable text gives 0.
double hours(QStringView text);

} // namespace PlayTime

// Adds two playing times field by field with carries; the hours grow past 99 as needed.
QString AddDurations(const QString &a, const QString &b);
