#include "base/LogStamp.h"

#include <limits>

namespace {
bool readNumber(QStringView text, int from, int count, int &value) {
    value = 0;
    for (int i = from; i < from + count; ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        value = value * 10 + (c.unicode() - '0');
    }
    return true;
}
} // namespace

QString LogStamp::format(const QDateTime &when) {
    return when.toString(QStringLiteral("[yyMMdd-HHmmss] "));
}

QDateTime LogStamp::ParseLogStamp(QStringView text, const QDate &today) {
    if (text.size() < 13 || text.at(6) != QLatin1Char('-'))
        return {};
    int yy = 0, mm = 0, dd = 0, h = 0, n = 0, s = 0;
    if (!readNumber(text, 0, 2, yy) || !readNumber(text, 2, 2, mm) || !readNumber(text, 4, 2, dd) ||
        !readNumber(text, 7, 2, h) || !readNumber(text, 9, 2, n) || !readNumber(text, 11, 2, s))
        return {};
    // In 64 bits: QDate's years reach the limits of int, where the century arithmetic overflows.
    const qint64 current = today.year();
    qint64 year = current - current % 100 + yy;
    if (year < current - 50)
        year += 100;
    else if (year > current + 49)
        year -= 100;
    if (year < std::numeric_limits<int>::min() || year > std::numeric_limits<int>::max())
        return {};
    const QDate date(static_cast<int>(year), mm, dd);
    const QTime time(h, n, s);
    if (!date.isValid() || !time.isValid())
        return {};
    // QDateTime counts 64-bit milliseconds from 1970; a day's slack covers the local offset.
    constexpr qint64 kMsecsPerDay = 24 * 60 * 60 * 1000;
    constexpr qint64 kMaxDaysFromEpoch = std::numeric_limits<qint64>::max() / kMsecsPerDay - 1;
    const qint64 daysFromEpoch = date.toJulianDay() - QDate(1970, 1, 1).toJulianDay();
    if (daysFromEpoch > kMaxDaysFromEpoch || daysFromEpoch < -kMaxDaysFromEpoch)
        return {};
    return QDateTime(date, time);
}
