#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// The player lines of a "listplayers" answer: "0. Some Name, 76561198000000001", one per line.
namespace PlayerLines {

// An answer that starts with a line feed followed by "0." lists players.
bool isPlayerList(const QString &answer);

// The lines of a player list, in answer order. Whatever is left after the last line feed counts
// only when it is long enough to hold a player (more than 22 characters).
QStringList split(const QString &answer);

// Name and SteamID64 of one line: the name runs from two characters after the first "." up to
// the last ","; the id is the 17 characters after that comma and its blank. False for a line
// without a comma or without an id after it.
bool parse(const QString &line, QString *name, QString *steamId);

// The SteamId::IsNum check, kept here for the player-line callers.
bool IsNum(const QString &text);

// The time since `join` as a time of day "hh:nn:ss": whole days drop out.
QString durationText(const QDateTime &join, const QDateTime &now);

// The join stamp of a player record, "yymmdd-hhnnss".
QString joinStamp(const QDateTime &when);

} // namespace PlayerLines
