#pragma once

#include <QString>
#include <QStringView>

// The ids a game server lists its players by: a SteamID64 (17 decimal digits) on the older
// edition, an Epic Online Services account id (32 hexadecimal digits, in either letter case) on
// the newer one. An id is kept whole and as received: it is a player's key everywhere.
namespace PlayerId {

enum class Kind { None, SteamId64, Eos };

constexpr qsizetype kSteamId64Length = 17;
constexpr qsizetype kEosLength = 32;

Kind kindOf(QStringView text);

inline bool isPlayerId(QStringView text) {
    return kindOf(text) != Kind::None;
}
inline bool isSteamId64(QStringView text) {
    return kindOf(text) == Kind::SteamId64;
}

// An id the operator types (the unban box): a SteamID64 by SteamId::isTyped, or an EOS id.
bool isTyped(const QString &text);

// Whether `c` can stand in an id of either kind.
bool isIdCharacter(QChar c);

} // namespace PlayerId
