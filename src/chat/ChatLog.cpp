#include "chat/ChatLog.h"

ChatLog::ChatLog(QObject *parent)
    : QObject(parent) {}

void ChatLog::setServerName(const QString &name) {
    m_serverName = name;
}

ChatLineProcessor::DuplicateMemory &ChatLog::duplicateMemory() {
    return m_memories[m_serverName];
}

ChatLineProcessor::Result ChatLog::processBody(const QString &body, ChatLineProcessor::Mode mode,
                                               const QDateTime &receivedAt) {
    ChatLineProcessor::Result result =
        ChatLineProcessor::process(body, mode, receivedAt, duplicateMemory());
    append(result.lines);
    trim();
    return result;
}

void ChatLog::append(const QList<ChatLine> &lines) {
    if (lines.isEmpty())
        return;
    const int first = lineCount();
    m_lines.append(lines);
    emit linesAppended(first, int(lines.size()));
}

int ChatLog::trimCount(const QList<ChatLine> &lines, int maxLines) {
    const int size = int(lines.size());
    int removed = 0;
    while (size - removed > maxLines) {
        ++removed;
        while (removed < size && !ChatLine::hasAnyStampMark(lines.at(removed).displayText()))
            ++removed;
    }
    return removed;
}

int ChatLog::trim() {
    const int count = trimCount(m_lines);
    if (count > 0) {
        m_lines.remove(0, count);
        emit linesTrimmed(count);
    }
    return count;
}

void ChatLog::setLines(const QList<ChatLine> &lines) {
    clear();
    append(lines);
}

void ChatLog::clear() {
    m_lines.clear();
    emit cleared();
}
