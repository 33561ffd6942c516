#include "schedules/Schedule.h"

namespace {
const char *const kDayWords[] = {"mon", "tue", "wed", "thu", "fri", "sat", "sun"};
constexpr int kMinutesPerDay = 24 * 60;
} // namespace

bool Schedule::appliesTo(const QString &server) const {
    return allServers || servers.contains(server);
}

QString Schedule::serversText() const {
    return allServers ? QStringLiteral("*") : servers.join(QLatin1Char('|'));
}

QString Schedule::daysText() const {
    if (days == kEveryDay)
        return QStringLiteral("daily");
    QStringList words;
    for (int day = 0; day < 7; ++day) {
        if ((days >> day) & 1)
            words << QLatin1String(kDayWords[day]);
    }
    return words.join(QLatin1Char(','));
}

QString Schedule::everyText() const {
    if (everyMinutes <= 0)
        return QString();
    if (everyMinutes % 60 == 0)
        return QString::number(everyMinutes / 60) + QLatin1Char('h');
    return QString::number(everyMinutes) + QLatin1Char('m');
}

QString Schedule::summary() const {
    const QString time = at.toString(QStringLiteral("HH:mm"));
    if (everyMinutes > 0)
        return QStringLiteral("every ") + everyText() + QStringLiteral(" from ") + time;
    return time + QLatin1Char(' ') + daysText();
}

bool Schedule::parseDays(const QString &text, int *days) {
    const QString trimmed = text.trimmed().toLower();
    if (trimmed == QLatin1String("daily")) {
        *days = kEveryDay;
        return true;
    }
    int bits = 0;
    const QStringList words = trimmed.split(QLatin1Char(','));
    for (const QString &word : words) {
        const QString day = word.trimmed();
        int found = -1;
        for (int i = 0; i < 7; ++i) {
            if (day == QLatin1String(kDayWords[i]))
                found = i;
        }
        if (found < 0)
            return false;
        bits |= 1 << found;
    }
    *days = bits;
    return bits != 0;
}

bool Schedule::parseEvery(const QString &text, int *minutes) {
    const QString trimmed = text.trimmed().toLower();
    if (trimmed.isEmpty()) {
        *minutes = 0;
        return true;
    }
    const QChar unit = trimmed.back();
    if (unit != QLatin1Char('m') && unit != QLatin1Char('h'))
        return false;
    const QString number = trimmed.chopped(1);
    for (const QChar c : number) {
        if (!c.isDigit())
            return false;
    }
    bool ok = false;
    const int value = number.toInt(&ok);
    if (!ok || value <= 0)
        return false;
    const int result = unit == QLatin1Char('h') ? value * 60 : value;
    if (result >= kMinutesPerDay)
        return false;
    *minutes = result;
    return true;
}

bool Schedule::isValidName(const QString &name) {
    return !name.isEmpty() && name.trimmed() == name && !name.contains(QLatin1Char('[')) &&
           !name.contains(QLatin1Char(']')) && !name.contains(QLatin1Char('\n')) &&
           !name.contains(QLatin1Char('\r'));
}

bool Schedule::operator==(const Schedule &other) const {
    return name == other.name && script == other.script && servers == other.servers &&
           allServers == other.allServers && at == other.at && days == other.days &&
           everyMinutes == other.everyMinutes && enabled == other.enabled;
}
