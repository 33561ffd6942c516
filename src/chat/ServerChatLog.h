#pragma once

#include "chat/ChatLineProcessor.h"

#include <QObject>
#include <QSet>
#include <QString>

#include <memory>

class ChatLog;

// The chat log of one server as a view holds it, together with its file "logs/<server>.log":
// loaded when a chat or a background step begins, written after every block that asks for it.
// The chat keeps one, and so does every step of the background watch. A file that could not be
// read is never written over, and a failed write is told to the operator once, until a write of
// that file succeeds; logs that share their memory of failed writes tell a file once between them.
class ServerChatLog final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServerChatLog)

public:
    // The files whose last write failed, shared by the logs that tell the operator as one.
    using FailedSaves = std::shared_ptr<QSet<QString>>;

    // `handOffTag` ends the error entry of a failed write, naming the reader that wrote.
    // Without `failedSaves` the log keeps a memory of its own.
    ServerChatLog(const QString &programFolder, const QString &handOffTag,
                  QObject *parent = nullptr, FailedSaves failedSaves = {});

    ChatLog *view() const { return m_view; }
    QString serverName() const { return m_serverName; }
    // The reason the file could not be read at the last open; empty when it could.
    QString readError() const { return m_readError; }

    // Shows the server's file, or an empty view when it has none. False when the file exists but
    // cannot be read: the view is then empty and the file is left as it is.
    bool open(const QString &serverName);
    // Empties the view; no file belongs to it any more.
    void close();
    // One answer's lines into the view; the file is written when the block asks for it.
    ChatLineProcessor::Result process(const QString &body, ChatLineProcessor::Mode mode);
    // Empties the view and deletes the file; new lines then start a new one.
    bool deleteFile(QString *error = nullptr);

signals:
    // A line for the program log.
    void message(const QString &text);

private:
    void save();

    QString m_programFolder;
    QString m_handOffTag;
    ChatLog *m_view;
    QString m_serverName;
    QString m_path;
    QString m_readError;
    // The file could not be read when the view was opened: writing the view would replace it.
    bool m_protected = false;
    FailedSaves m_failedPaths;
};
