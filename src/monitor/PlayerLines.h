#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// The player lines of a "listplayers" answer, one per line: "0. Some Name, 76561198000000001"
// from the older edition, "0. Some Name, 0002a1b2c3d4e5f60718293a4b5c6d7e" (an EOS id) from the
// newer one. Answers are read with plain line ends (AnswerText), so CR LF and the padding at the
// end read like LF.
namespace PlayerLines {

// An answer that starts with a line feed followed by "0." lists players.
bool isPlayerList(const QString &answer);

// The lines of a player list, in answer order. Whatever is left after the last line feed counts
// only when it is long enough to hold a player (more than 22 characters).
QStringList split(const QString &answer);

// Name and player id of one line: the name runs from two characters after the first "." up to
// the last ","; the id is all that follows that comma, without blanks around it, and must be a
// SteamID64 or an EOS id (PlayerId), kept whole and as received. False for any other line: one
// without a comma, or an anonymised "0. x, x".
bool parse(const QString &line, QString *name, QString *steamId);

// The SteamId::IsNum check, kept here for the player-line callers.
bool IsNum(const QString &text);

// The time since `join` as a time of day "hh:nn:ss": whole days drop out.
QString durationText(const QDateTime &join, const QDateTime &now);

// The error entry for a stay logged by `line` that ends before its join stamp `joinStamp`: the
// computer's clock was set back, and the stay counts 00:00:00. `tag` names the place.
void reportClockSetBack(const QString &line, const QString &joinStamp, const QString &tag);

// The join stamp of a player record, "yymmdd-hhnnss".
QString joinStamp(const QDateTime &when);

} // namespace PlayerLines
