#pragma once

#include <QString>

// The checks for a SteamID64 that the operator types or a server reports.
namespace SteamId {

// Characters 1 to 9 and 9 to 17 each read as a 32-bit integer (the ninth belongs to both).
bool IsNum(const QString &text);

// A typed SteamID64: exactly 17 characters that pass IsNum.
bool isTyped(const QString &text);

} // namespace SteamId
