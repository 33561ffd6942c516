#include "chat/ServerChatLog.h"

#include "base/Clock.h"
#include "base/Logging.h"
#include "base/ServerLogPath.h"
#include "chat/ChatLog.h"
#include "chat/ServerLogFile.h"

ServerChatLog::ServerChatLog(const QString &programFolder, const QString &handOffTag,
                             QObject *parent, FailedSaves failedSaves)
    : QObject(parent)
    , m_programFolder(programFolder)
    , m_handOffTag(handOffTag)
    , m_view(new ChatLog(this))
    , m_failedPaths(failedSaves ? std::move(failedSaves) : std::make_shared<QSet<QString>>()) {}

bool ServerChatLog::open(const QString &serverName) {
    m_serverName = serverName;
    m_view->setServerName(serverName);
    m_path = serverLogPath(m_programFolder, serverName);
    m_protected = false;
    m_readError.clear();
    if (m_path.isEmpty()) {
        m_view->clear();
        return true;
    }
    ServerLogFile file(m_path);
    if (file.loadInto(*m_view))
        return true;
    m_protected = true;
    m_readError = file.errorString();
    return false;
}

void ServerChatLog::close() {
    m_view->clear();
    m_serverName.clear();
    m_path.clear();
    m_protected = false;
    m_readError.clear();
}

ChatLineProcessor::Result ServerChatLog::process(const QString &body,
                                                 ChatLineProcessor::Mode mode) {
    ChatLineProcessor::Result result = m_view->processBody(body, mode, Clock::now());
    // A block that ends with its line feed still added lines: they are written as well, or the
    // next opening would load the file without them.
    if (result.saveWanted || !result.lines.isEmpty())
        save();
    return result;
}

void ServerChatLog::save() {
    if (m_path.isEmpty() || m_protected)
        return;
    ServerLogFile file(m_path);
    if (file.save(*m_view)) {
        m_failedPaths->remove(m_path);
        return;
    }
    qCWarning(lcError).noquote() << file.errorString() + m_handOffTag;
    if (m_failedPaths->contains(m_path))
        return; // a full disk would otherwise add a line for every block
    m_failedPaths->insert(m_path);
    emit message(QStringLiteral("Failed to save logs/") + m_serverName + QStringLiteral(".log: ") +
                 file.errorString());
}

bool ServerChatLog::deleteFile(QString *error) {
    m_view->clear();
    if (m_path.isEmpty())
        return true;
    ServerLogFile file(m_path);
    if (!file.remove()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // The old file is gone, so the new lines may start a new one.
    m_protected = false;
    return true;
}
