#include "commands/QueueTime.h"

namespace {
constexpr int kFieldLength = 19;

// The decimal value of `count` ASCII digits at `from`, or -1 when one is not a digit.
int digits(const QString &text, int from, int count) {
    int value = 0;
    for (int i = from; i < from + count; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

void appendTwo(QString &out, int value) {
    out += QLatin1Char(char('0' + value / 10 % 10));
    out += QLatin1Char(char('0' + value % 10));
}
} // namespace

QString QueueTime::format(const QDateTime &when) {
    const QDate date = when.date();
    const QTime time = when.time();
    QString out;
    out.reserve(kFieldLength);
    appendTwo(out, date.day());
    out += QLatin1Char('.');
    appendTwo(out, date.month());
    out += QLatin1Char('.');
    out += QString::number(date.year()).rightJustified(4, QLatin1Char('0'));
    out += QLatin1Char(' ');
    appendTwo(out, time.hour());
    out += QLatin1Char(':');
    appendTwo(out, time.minute());
    out += QLatin1Char(':');
    appendTwo(out, time.second());
    return out;
}

qint64 QueueTime::key(const QDateTime &when) {
    const QDate date = when.date();
    const QTime time = when.time();
    const qint64 day = (qint64(date.year()) * 100 + date.month()) * 100 + date.day();
    return ((day * 100 + time.hour()) * 100 + time.minute()) * 100 + time.second();
}

qint64 QueueTime::parse(const QString &field) {
    if (field.size() < kFieldLength || field.at(2) != QLatin1Char('.') ||
        field.at(5) != QLatin1Char('.') || field.at(13) != QLatin1Char(':') ||
        field.at(16) != QLatin1Char(':'))
        return 0;
    const int day = digits(field, 0, 2);
    const int month = digits(field, 3, 2);
    const int year = digits(field, 6, 4);
    const int hour = digits(field, 11, 2);
    const int minute = digits(field, 14, 2);
    const int second = digits(field, 17, 2);
    if (day < 0 || month < 0 || year < 1 || hour < 0 || minute < 0 || second < 0)
        return 0;
    if (!QDate::isValid(year, month, day) || !QTime::isValid(hour, minute, second))
        return 0;
    return ((((qint64(year) * 100 + month) * 100 + day) * 100 + hour) * 100 + minute) * 100 +
           second;
}
