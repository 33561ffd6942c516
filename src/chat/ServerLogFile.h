#pragma once

#include "chat/ChatLine.h"

#include <QByteArray>
#include <QList>
#include <QString>

class ChatLog;

// The log file of one server, "logs/" + server name + ".log": the lines of its chat view as
// Rich Text. Reading also takes a plain-text file, one line per paragraph.
class ServerLogFile final {
public:
    explicit ServerLogFile(const QString &path);
    static QString relativeName(const QString &serverName);

    QString path() const { return m_path; }
    bool exists() const;
    QString errorString() const { return m_error; }

    // Replaces the log's lines with the file's, or empties the log when there is no file.
    // False when the file exists but cannot be read; the log is then emptied too.
    bool loadInto(ChatLog &log);
    // Written whole and atomically: a failed write leaves the previous file as it was.
    bool save(const ChatLog &log);
    bool save(const QList<ChatLine> &lines);
    // A missing file is not an error.
    bool remove();

    // Rich Text when the bytes start with "{\rtf", else plain text (Windows-1252 or by BOM).
    static QList<ChatLine> parse(const QByteArray &bytes);

private:
    QString m_path;
    QString m_error;
};
