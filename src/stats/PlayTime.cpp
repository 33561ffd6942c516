#include "stats/PlayTime.h"

namespace {
// A run of decimal digits; -1 when it is empty or holds anything else.
qint64 digits(QStringView text) {
    if (text.isEmpty() || text.size() > 15)
        return -1;
    qint64 value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

struct Fields {
    qint64 hours = 0;
    int minutes = 0;
    int seconds = 0;
};

// The hours are the digits before the first ":", the minutes the two characters after it and
// the seconds the two characters after the second ":"; what does not read as a number counts 0.
Fields fields(const QString &text) {
    Fields f;
    const qsizetype first = text.indexOf(QLatin1Char(':'));
    if (first < 0)
        return f;
    f.hours = std::max<qint64>(0, digits(QStringView(text).left(first)));
    f.minutes = int(std::max<qint64>(0, digits(QStringView(text).mid(first + 1, 2))));
    const qsizetype second = text.indexOf(QLatin1Char(':'), first + 1);
    if (second >= 0)
        f.seconds = int(std::max<qint64>(0, digits(QStringView(text).mid(second + 1, 2))));
    return f;
}
} // namespace

qint64 PlayTime::seconds(QStringView text) {
    const qsizetype n = text.size();
    if (n < 8 || text.at(n - 3) != QLatin1Char(':') || text.at(n - 6) != QLatin1Char(':'))
        return -1;
    const qint64 h = digits(text.left(n - 6));
    const qint64 m = digits(text.mid(n - 5, 2));
    const qint64 s = digits(text.mid(n - 2, 2));
    if (h < 0 || m < 0 || s < 0 || m >= 60 || s >= 60)
        return -1;
    return h * 3600 + m * 60 + s;
}

QString PlayTime::format(qint64 seconds) {
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

double PlayTime::hours(QStringView text) {
    const qint64 s = seconds(text);
    return s < 0 ? 0.0 : double(s) / 3600.0;
}

QString AddDurations(const QString &a, const QString &b) {
    const Fields x = fields(a);
    const Fields y = fields(b);
    int s = x.seconds + y.seconds;
    int carry = 0;
    if (s >= 60) {
        s -= 60;
        carry = 1;
    }
    int m = x.minutes + y.minutes + carry;
    carry = 0;
    if (m >= 60) {
        m -= 60;
        carry = 1;
    }
    const qint64 h = x.hours + y.hours + carry;
    return QStringLiteral("%1:%2:%3")
        .arg(h, 2, 10, QLatin1Char('0'))
        .arg(m, 2, 10, QLatin1Char('0'))
        .arg(s, 2, 10, QLatin1Char('0'));
}
