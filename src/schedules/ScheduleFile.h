#pragma once

#include "schedules/Schedule.h"

#include <QByteArray>
#include <QStringList>
#include <QVector>

// The text of "scripts/schedules.ini": one "[name]" section per schedule with the keys script,
// servers, at, days, every and enabled. Written in UTF-8; read with or without a byte order
// mark, keys in any letter case, blank lines and ";" comments (also after a value) ignored.
namespace ScheduleFile {

struct ReadResult final {
    QVector<Schedule> schedules; // the sections that parsed, in file order
    QStringList problems;        // one program-log line per section (or line) skipped
    // The skipped sections as they were written, so that a save keeps what someone typed.
    QString unread;
};

ReadResult parse(const QByteArray &bytes);
// `unread` (sections that did not read) follows the schedules unchanged.
QByteArray format(const QVector<Schedule> &schedules, const QString &unread = QString());

} // namespace ScheduleFile
