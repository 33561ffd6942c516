#pragma once

#include "base/ProgramOptions.h"
#include "base/WindowLayout.h"

#include <QString>

// The format of app.ini: the window layout ("Design"), the server chat name ("Config"), the
// options ("pum1"), the webhook address ("Notify") and the update service ("Update"). The rest of
// the console sees typed values; integers exist only here, where the keys are read and written.
class AppSettings final {
public:
    struct Values {
        WindowLayout layout;
        QString chatName = QStringLiteral("Admin");
        ProgramOptions options;
    };

    // The stored options, in the order start-up reads them.
    enum class Option {
        NotificationKind, // "cinfo"
        LogSource,        // "ggl"
        MinimizeToTray,   // "tray"
        ShowProgramLog,   // "log"
        Crosshair,        // "cross"
        BackgroundChat,   // "getbchat"
    };

    // Start-up read in the file's key order. A file that cannot be read is deleted; the
    // values read before the failure are kept, the rest keep their defaults. Returns false
    // when there was no file to read (the caller then uses its own layout).
    static bool read(const QString &path, Values *values);

    // Exit write of every "Design" key and "Cname", all in one rewrite of the file.
    static bool writeLayout(const QString &path, const WindowLayout &layout,
                            const QString &chatName, QString *error = nullptr);

    // One option's key with its value in `options`, written the moment it changes.
    static bool writeOption(const QString &path, const ProgramOptions &options, Option option,
                            QString *error = nullptr);
    static QString keyOf(Option option);

    // "[Notify] webhook=": where notified events are posted; empty when missing.
    static QString webhookUrl(const QString &path);
    static bool writeWebhookUrl(const QString &path, const QString &url, QString *error = nullptr);

    // "[Update] url=": the publisher's update service; read whenever it is used, so an address
    // written into the file while the console runs is the one asked.
    static QString updateUrl(const QString &path);
};
