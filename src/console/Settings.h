#pragma once

#include "base/AppSettings.h"

#include <QObject>
#include <QString>

#include <functional>

class ProgramState;
class WebhookPoster;

// app.ini and the options it holds have this one owner. It reads the file at start-up and writes
// the layout at exit; an option changes only here: it is in force at once (through the program
// state, or the webhook poster for the webhook address) and its key is written at once. A failed
// write is told once, "Error saving settings" in the program log, and the value stays in force
// for this run.
class Settings final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Settings)

public:
    // `path` is app.ini in the program folder.
    Settings(const QString &path, ProgramState *state, WebhookPoster *webhook,
             QObject *parent = nullptr);

    QString path() const { return m_path; }

    // Start-up: what app.ini holds over the built-in values (a file that fails to apply is
    // deleted), the options and the webhook address in force. False when there was no file.
    bool load();
    const AppSettings::Values &startValues() const { return m_startValues; }
    bool hadFile() const { return m_hadFile; }

    // Exit: the window layout and the server chat name.
    void saveLayout(const WindowLayout &layout, const QString &chatName);

    void setNotificationKind(NotificationKind kind);
    void setLogSource(LogSource source);
    void setMinimizeToTray(bool on);
    void setShowProgramLog(bool on);
    void setBackgroundChat(bool on);
    void setCrosshair(bool on);
    // Off at every start: never written.
    void setShowPasswords(bool on);

    enum class WebhookChange {
        Refused,   // neither empty nor an HTTP or HTTPS address: nothing changes
        Unchanged, // the address in use: nothing is written
        Saved,     // in use and written
        Unsaved,   // in use, but app.ini could not be written (`writeError` says why)
    };
    // A new webhook address, in use at once and written to "[Notify] webhook=".
    WebhookChange setWebhookUrl(const QString &text, QString *writeError = nullptr);

signals:
    // A line for the program log.
    void message(const QString &text);

private:
    void change(const std::function<void(ProgramOptions &)> &edit);
    void changeAndWrite(const std::function<void(ProgramOptions &)> &edit,
                        AppSettings::Option option);
    void reportWriteFailure(const QString &error);

    QString m_path;
    ProgramState *m_state;
    WebhookPoster *m_webhook;
    AppSettings::Values m_startValues;
    bool m_hadFile = false;
};
