#include "base/PlayerId.h"

#include "base/SteamId.h"

namespace {
bool isDecimal(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}
} // namespace

bool PlayerId::isIdCharacter(QChar c) {
    return isDecimal(c) || (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

PlayerId::Kind PlayerId::kindOf(QStringView text) {
    if (text.size() == kSteamId64Length) {
        for (const QChar c : text) {
            if (!isDecimal(c))
                return Kind::None;
        }
        return Kind::SteamId64;
    }
    if (text.size() == kEosLength) {
        for (const QChar c : text) {
            if (!isIdCharacter(c))
                return Kind::None;
        }
        return Kind::Eos;
    }
    return Kind::None;
}

bool PlayerId::isTyped(const QString &text) {
    return SteamId::isTyped(text) || kindOf(text) == Kind::Eos;
}
