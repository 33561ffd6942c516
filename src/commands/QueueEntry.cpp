#include "commands/QueueEntry.h"

#include "commands/QueueTime.h"

QueueEntry::QueueEntry(const QString &scriptName, const QString &command, const QString &timeField,
                       const QString &server)
    : scriptName(scriptName)
    , command(command)
    , timeField(timeField)
    , server(server)
    , startKey(QueueTime::parse(timeField)) {}

void QueueEntry::setTimeField(const QString &text) {
    timeField = text;
    startKey = QueueTime::parse(text);
}

bool QueueEntry::hasStateText() const {
    return startKey == 0 && (timeField == inProgressText() || timeField == serverDeletedText() ||
                             timeField == serverOfflineText());
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
