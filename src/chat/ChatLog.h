#pragma once

#include "chat/ChatLine.h"
#include "chat/ChatLineProcessor.h"

#include <QHash>
#include <QList>
#include <QObject>

// The lines of one chat view (the open chat, or the hidden background watch view), newest
// last, at most kMaxLines after each block. Views follow the signals and never re-render all.
class ChatLog final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChatLog)

public:
    static constexpr int kMaxLines = 19999;

    explicit ChatLog(QObject *parent = nullptr);

    const QList<ChatLine> &lines() const { return m_lines; }
    int lineCount() const { return int(m_lines.size()); }
    bool isEmpty() const { return m_lines.isEmpty(); }

    // The server whose lines the view holds now; its duplicate memory is used for its blocks.
    QString serverName() const { return m_serverName; }
    void setServerName(const QString &name);
    ChatLineProcessor::DuplicateMemory &duplicateMemory();

    // Processes one response body into this view's lines and trims the view. The caller acts
    // on Keep Alive and writes the file when the result asks for it. The result's lines are
    // those appended: of a block that adds more than kMaxLines, only the newest are built.
    ChatLineProcessor::Result processBody(const QString &body, ChatLineProcessor::Mode mode,
                                          const QDateTime &receivedAt);

    void append(const QList<ChatLine> &lines);
    // Removes the oldest line while more than kMaxLines remain, then every following line
    // that does not look like the start of a stamped line. Returns the number removed.
    int trim();
    void setLines(const QList<ChatLine> &lines);
    void clear();

    // How many of the oldest lines the trim removes from `lines`.
    static int trimCount(const QList<ChatLine> &lines, int maxLines = kMaxLines);

signals:
    void linesAppended(int first, int count);
    // The `count` oldest lines are gone; the rest moved up.
    void linesTrimmed(int count);
    // Emitted before a wholesale replacement (load) as well; linesAppended then follows.
    void cleared();

private:
    int removeOldest(int count);

    QList<ChatLine> m_lines;
    QString m_serverName;
    // One memory per server, so a line of one server never suppresses a line of another.
    QHash<QString, ChatLineProcessor::DuplicateMemory> m_memories;
};
