#pragma once

#include "schedules/Schedule.h"

#include <QDateTime>

// When a schedule runs, in local time. A time of day that a spring-forward day skips runs at the
// first minute after the gap; a time that an autumn day repeats runs once, in its first pass.
namespace ScheduleTime {

// The local time of `time` on `date` by those two rules.
QDateTime resolve(const QDate &date, const QTime &time);

// The first run of `schedule` strictly after `after`; invalid when it has none within a week.
QDateTime next(const Schedule &schedule, const QDateTime &after);

// Whether `when` is a run of `schedule`.
bool isRun(const Schedule &schedule, const QDateTime &when);

} // namespace ScheduleTime
