#pragma once

#include "servers/ServerSettings.h"

#include <QString>

// Why the server settings dialog refuses its fields; each has its message box text.
enum class ServerSettingsRefusal {
    None,
    InvalidServername, // a forbidden character, or "channel offline" in the name
    InvalidInput,      // name, host or port empty or starting with a blank; a control character
    InvalidPort,       // the port is not a signed 32-bit decimal integer
    ServernameExists,  // another server already has this name
};

// The rules a server's fields must meet.
class ServerSettingsRules final {
public:
    static constexpr int kNameMaxLength = 50;
    static constexpr int kPasswordMaxLength = 255;

    // The checks that need no server list, in the order the dialog makes them: the name, then
    // empty or blank-led fields and control characters, then the port.
    static ServerSettingsRefusal checkFields(const ServerSettings &settings);
    // None of \ / : * ? < > | " and no "channel offline" in any mix of letter case.
    static bool isValidServername(const QString &name);
    // Line breaks, tabs and other control characters would break server.dat's lines.
    static bool hasControlCharacter(const QString &text);
    // An optional sign and decimal digits whose value fits a signed 32-bit integer.
    static bool isPortText(const QString &text);
    static QString refusalText(ServerSettingsRefusal refusal);
};
