#include "base/SteamId.h"

namespace {
constexpr int kSteamIdLength = 17;

bool isInt32(QStringView text) {
    qsizetype i = 0;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    if (i == text.size())
        return false;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        value = value * 10 + (c.unicode() - '0');
        if (value > Q_INT64_C(2147483648))
            return false;
    }
    const bool negative = text.startsWith(QLatin1Char('-'));
    return value <= (negative ? Q_INT64_C(2147483648) : Q_INT64_C(2147483647));
}
} // namespace

bool SteamId::IsNum(const QString &text) {
    return isInt32(QStringView(text).left(9)) && isInt32(QStringView(text).mid(8, 9));
}

bool SteamId::isTyped(const QString &text) {
    return text.size() == kSteamIdLength && IsNum(text);
}
