#pragma once

#include <QObject>
#include <QString>

// Where the console tab's commands go out: one exchange per command (a fresh connection, the
// login, the command), the answer or the reason it failed coming back by ticket.
class CommandPort : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CommandPort)

public:
    using QObject::QObject;

    // Starts an exchange for `command` on the server of that name; returns its ticket.
    virtual quint64 send(const QString &serverName, const QString &command) = 0;

signals:
    void answered(quint64 ticket, const QString &answer);
    // `reason` as the operator reads it: "Server offline", "Bad login", "No answer in 15 s".
    void failed(quint64 ticket, const QString &reason);
    // The answer of an exchange that failed for want of an answer came after all.
    void answeredLate(quint64 ticket, const QString &answer);
};
