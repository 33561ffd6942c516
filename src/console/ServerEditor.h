#pragma once

#include "servers/ServerSettings.h"
#include "servers/ServerSettingsRules.h"

#include <QObject>
#include <QString>

#include <optional>

class BackgroundWatch;
class ChatSession;
class PlayerTracker;
class PollCycle;
class ProgramLog;
class ProgramState;
class ServerListModel;

// Adds, changes and deletes servers for the server settings dialog and the server menu. A change
// touches most of the console: the server list and its file, the program log, the server's log
// file, the chat, the player table and the poll cycle; this class makes those steps in order.
class ServerEditor final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServerEditor)

public:
    enum class Outcome {
        Added,
        Changed,
        Unchanged, // an edit that changed nothing: nothing is saved or logged
        Refused,   // the dialog stays open with the fields as typed
    };
    struct Result {
        Outcome outcome = Outcome::Unchanged;
        ServerSettingsRefusal refusal = ServerSettingsRefusal::None;
    };

    // What a change of a server reaches.
    struct Parts {
        ServerListModel *servers = nullptr;
        ProgramLog *log = nullptr;
        ProgramState *state = nullptr;
        PollCycle *poll = nullptr;
        BackgroundWatch *watch = nullptr;
        ChatSession *chat = nullptr;
        PlayerTracker *players = nullptr;
        QString folder; // the program folder, which holds the server logs
    };

    explicit ServerEditor(const Parts &parts, QObject *parent = nullptr);

    // While the dialog is open the server list must not change under it: no visit result is
    // processed, no visit and no background step starts.
    void dialogOpened();
    void dialogClosed();
    bool isDialogOpen() const { return m_dialogOpen; }

    // The four fields of the server of that name, as the server list holds them.
    std::optional<ServerSettings> settingsOf(const QString &name) const;

    // "OK" in add mode: the checks, then the new server joins the list as "Queue".
    Result add(const ServerSettings &settings);
    // "OK" in edit mode for the server named `name`: the checks, the chat closes, then the
    // server takes the fields; a new name moves its log file and rewrites the program log.
    Result edit(const QString &name, const ServerSettings &settings);

    // "Delete server" after the operator's yes: the server shows "Erase" and the poll cycle
    // removes it at the end of its current step.
    bool markForDeletion(const QString &name);

signals:
    // A line for the program log.
    void message(const QString &text);
    // A server's name changed; whatever is keyed by the name follows it.
    void serverRenamed(const QString &oldName, const QString &newName);

private:
    bool nameTakenByOther(const QString &name, int exceptRow) const;
    void rename(const QString &oldName, const QString &newName);
    // Empty when the file was moved or there was none; else a line for the program log.
    QString moveServerLog(const QString &oldName, const QString &newName) const;
    void rewriteProgramLog(const QString &oldName, const QString &newName);
    void finishChange();

    Parts m_parts;
    bool m_dialogOpen = false;
};
