#include "commands/QueueEntry.h"

#include "commands/QueueTime.h"

QueueEntry::QueueEntry(const QString &script, const QString &line, const QString &time,
                       const QString &serverName)
    : scriptName(script)
    , command(line)
    , timeField(time)
    , server(serverName)
    , startKey(QueueTime::parse(time)) {}

void QueueEntry::setTimeField(const QString &text) {
    timeField = text;
    startKey = QueueTime::parse(text);
}

bool QueueEntry::hasStateText() const {
    return startKey == 0 && (timeField == inProgressText() || timeField == serverDeletedText() ||
                             timeField == serverOfflineText());
}

QString QueueEntry::rconCommand() const {
    if (command.startsWith(QLatin1String("msg:")))
        return QStringLiteral("Broadcast ") + command.mid(4);
    if (command.startsWith(QLatin1String("cmd:")))
        return command.mid(4);
    return QString();
}

QString QueueEntry::userCommandName() {
    return QStringLiteral("User command");
}

QString QueueEntry::inProgressText() {
    return QStringLiteral("In progress..");
}

QString QueueEntry::serverDeletedText() {
    return QStringLiteral("Server deleted..");
}

QString QueueEntry::serverOfflineText() {
    return QStringLiteral("Server offline..");
}
