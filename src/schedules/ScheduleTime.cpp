#include "schedules/ScheduleTime.h"

#include <QVector>

namespace {
constexpr int kMinutesPerDay = 24 * 60;
// Clocks move by at most this much at a change of daylight saving time.
constexpr int kLongestGapMinutes = 180;

bool isWallTime(const QDateTime &when, const QDate &date, const QTime &time) {
    return when.isValid() && when.date() == date && when.time() == time;
}
} // namespace

QDateTime ScheduleTime::resolve(const QDate &date, const QTime &time) {
    const QDateTime when(date, time);
    if (isWallTime(when, date, time)) {
        // A repeated hour: the earlier pass, whichever of the two the time zone code chose.
        for (int minutes : {60, 30, 120}) {
            const QDateTime earlier = when.addSecs(-60 * minutes);
            if (isWallTime(earlier, date, time))
                return earlier;
        }
        return when;
    }
    // Skipped by a spring-forward: the first minute of the day's clock that exists after it.
    const QDateTime naive(date, time, Qt::UTC);
    for (int minute = 1; minute <= kLongestGapMinutes; ++minute) {
        const QDateTime wall = naive.addSecs(60 * minute);
        const QDateTime candidate(wall.date(), wall.time());
        if (isWallTime(candidate, wall.date(), wall.time()))
            return candidate;
    }
    return QDateTime();
}

QDateTime ScheduleTime::next(const Schedule &schedule, const QDateTime &after) {
    const QDateTime local = after.toLocalTime();
    const int atMinute = schedule.at.hour() * 60 + schedule.at.minute();
    const int step = schedule.everyMinutes > 0 ? schedule.everyMinutes : kMinutesPerDay;
    const int first = atMinute % step;
    // The day before as well: its last run may be moved past midnight by a gap.
    for (int day = -1; day <= 8; ++day) {
        const QDate date = local.date().addDays(day);
        if (!schedule.runsOnDay(date.dayOfWeek()))
            continue;
        int minute = schedule.everyMinutes > 0 ? first : atMinute;
        // Skip the runs well before `after` without building each of them.
        int from = -1;
        if (day == -1)
            from = kMinutesPerDay - kLongestGapMinutes;
        else if (day == 0)
            from = local.time().hour() * 60 + local.time().minute() - kLongestGapMinutes;
        if (from > minute) {
            if (schedule.everyMinutes <= 0)
                continue;
            minute += (from - minute) / step * step;
        }
        for (; minute < kMinutesPerDay; minute += step) {
            const QDateTime run = resolve(date, QTime(minute / 60, minute % 60));
            if (run.isValid() && run > after)
                return run;
            if (schedule.everyMinutes <= 0)
                break;
        }
    }
    return QDateTime();
}

bool ScheduleTime::isRun(const Schedule &schedule, const QDateTime &when) {
    return when.isValid() && next(schedule, when.addSecs(-1)) == when;
}
