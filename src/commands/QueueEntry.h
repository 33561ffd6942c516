#pragma once

#include <QString>

// One queued command: the script line (or server-menu command) for one server, its start time,
// and where the scheduler has got with it.
struct QueueEntry final {
    QString scriptName; // "User command" for a command of the server menu
    QString command;    // the whole line, beginning with "msg:" or "cmd:"
    // The start time in the queue's time format; once the scheduler has taken the entry, one of
    // the state texts instead.
    QString timeField;
    QString server;

    // Kept by the running program only, never stored:
    qint64 startKey = 0; // QueueTime key of the time field; 0 when it holds no time
    quint64 ticket = 0;  // the exchange that carries the command once it was handed on

    QueueEntry() = default;
    QueueEntry(const QString &scriptName, const QString &command, const QString &timeField,
               const QString &server);

    void setTimeField(const QString &text);
    // The time field holds one of the three state texts.
    bool hasStateText() const;
    // The RCON command of the line: "msg:" + text becomes "Broadcast " + text, "cmd:" + line
    // becomes the line; a null text for any other line.
    QString rconCommand() const;

    static QString userCommandName();
    static QString inProgressText();
    static QString serverDeletedText();
    static QString serverOfflineText();
};
