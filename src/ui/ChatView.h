#pragma once

#include "chat/ChatLog.h"

#include <QPlainTextEdit>
#include <QPointer>

class ChatLine;
class QMenu;

// Shows a ChatLog with its colours and bold runs. New lines are appended to the document and
// trimmed lines cut from its top, never the whole view re-rendered. A new block scrolls to the
// end only when the view was showing its last line, and it never moves the operator's caret.
class ChatView final : public QPlainTextEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChatView)

public:
    explicit ChatView(QWidget *parent = nullptr);

    void setChatLog(ChatLog *log);
    ChatLog *chatLog() const { return m_log; }

    // True while the bottom-most line of the document is in view.
    bool isShowingLastLine() const;
    // Index of the bottom-most line the view shows.
    int lastVisibleLine() const;
    // Shows the last line and puts the caret after the last character.
    void scrollToEnd();

    // "Delete logfile" is offered only while the view belongs to an open chat.
    void setDeleteLogfileAllowed(bool allowed);
    // The pop-up menu: "Select all", "Copy", "Delete logfile".
    QMenu *createLogMenu(QWidget *parent);

signals:
    void deleteLogfileRequested();

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void rebuild();
    void onAppended(int first, int count);
    void onTrimmed(int count);
    void onCleared();
    void insertLine(QTextCursor &cursor, const ChatLine &line);

    QPointer<ChatLog> m_log;
    int m_shownLines = 0; // an empty first line leaves the document looking empty
    bool m_deleteAllowed = false;
};
