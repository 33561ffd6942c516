#pragma once

#include "base/ProgramOptions.h"
#include "base/WindowLayout.h"

#include <QString>

// Reads and writes app.ini: the window layout ("Design"), the server chat name ("Config") and
// the options ("pum1").
class AppSettings final {
public:
    struct Values {
        WindowLayout layout;
        QString chatName = QStringLiteral("Admin");
        ProgramOptions options;
    };

    // Start-up read in the file's key order. A file that cannot be read is deleted; the
    // values read before the failure are kept, the rest keep their defaults. Returns false
    // when there was no file to read (the caller then uses its own layout).
    static bool read(const QString &path, Values *values);

    // Exit write of every "Design" key and "Cname", all in one rewrite of the file.
    static bool writeLayout(const QString &path, const WindowLayout &layout,
                            const QString &chatName);

    // An option written the moment it changes.
    static bool writeOption(const QString &path, const QString &key, int value);
};
