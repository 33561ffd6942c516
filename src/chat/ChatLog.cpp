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
    bool olderLeftOut = false;
    ChatLineProcessor::Result result = ChatLineProcessor::processNewest(
        body, mode, receivedAt, duplicateMemory(), kMaxLines, olderLeftOut);
    append(result.lines);
    if (!olderLeftOut) {
        trim();
        return result;
    }
    // The block alone overfills the view: every older line goes, and so do the block's first
    // lines without a stamp mark, just as the trim would take them after the lines left out.
    int count = lineCount() - int(result.lines.size());
    while (count < lineCount() && !ChatLine::hasAnyStampMark(m_lines.at(count).displayText()))
        ++count;
    removeOldest(count);
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
    return removeOldest(trimCount(m_lines));
}

int ChatLog::removeOldest(int count) {
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
