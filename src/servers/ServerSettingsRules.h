#pragma once

#include "servers/ServerSettings.h"

#include <QString>

// Why the server settings dialog refuses its fields; each has its message box text.
enum class ServerSettingsRefusal {
    None,
    InvalidServername, // a forbidden character, or "channel offline" in the name
    InvalidInput,      // name, host or port empty or starting with a blank; a control character
    InvalidPort,       // the port is not a decimal number from 1 to 65535
    ServernameExists,  // another server already has this name
};

// The four fields of the server settings dialog.
enum class ServerField { Name, Host, Port, Password };

// The rules a server's fields must meet.
class ServerSettingsRules final {
public:
    static constexpr int kNameMaxLength = 50;
    static constexpr int kPasswordMaxLength = 255;

    // The checks that need no server list, in the order the dialog makes them: the name, then
    // empty or blank-led fields and control characters, then the port.
    static ServerSettingsRefusal checkFields(const ServerSettings &settings);
    // The refusal of one field on its own, for showing beside it as it is typed: a forbidden
    // character or a blank-led, empty or control-holding text, or a port out of range.
    static ServerSettingsRefusal checkField(ServerField field, const QString &text);
    // None of \ / : * ? < > | " and no "channel offline" in any mix of letter case.
    static bool isValidServername(const QString &name);
    // Line breaks, tabs and other control characters would break server.dat's lines.
    static bool hasControlCharacter(const QString &text);
    // An optional sign and decimal digits whose value is a TCP port, 1 to 65535. A server stored
    // with another port still loads; its visits end as "Unknown".
    static bool isPortText(const QString &text);
    static constexpr int kPortMax = 65535;
    static QString refusalText(ServerSettingsRefusal refusal);
};
