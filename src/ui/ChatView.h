#pragma once

#include "chat/ChatLog.h"

#include <QPlainTextEdit>
#include <QPointer>

class ChatLine;
class QElapsedTimer;
class QMenu;
class QTimer;
class TextViewMenu;

// Shows a ChatLog with its colours and bold runs. New lines are appended to the document and
// trimmed lines cut from its top, never the whole view re-rendered. A new block scrolls to the
// end only when the view was showing its last line, and it never moves the operator's caret.
// Big blocks and whole loads are shown a slice per event-loop turn, so the window never stalls.
class ChatView final : public QPlainTextEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ChatView)

public:
    // A turn shows at most kMostLinesPerTurn new lines and, once trimmed lines are cut, at least
    // kFewestLinesPerTurn of those waiting: a small block on a caught-up view shows at once.
    static constexpr int kMostLinesPerTurn = 400;
    static constexpr int kFewestLinesPerTurn = 100;

    explicit ChatView(QWidget *parent = nullptr);

    void setChatLog(ChatLog *log);
    ChatLog *chatLog() const { return m_log; }

    // True when the document shows exactly the log's lines, no slice left to do.
    bool isUpToDate() const;

    // True while the bottom-most line of the document is in view.
    bool isShowingLastLine() const;
    // Index of the bottom-most line the view shows.
    int lastVisibleLine() const;
    // Shows the last line and puts the caret after the last character, also after the lines
    // of the log that are still waiting for their slice.
    void scrollToEnd();

    // "Delete logfile" is offered only while the view belongs to an open chat.
    void setDeleteLogfileAllowed(bool allowed);
    // The pop-up menu: "Select all", "Copy", "Delete logfile" (only while the view belongs to an
    // open chat and shows lines).
    QMenu *createLogMenu(QWidget *parent);

signals:
    void deleteLogfileRequested();
    // The document has come to show exactly the log's lines.
    void caughtUp();

private:
    // Where the operator's view stands, to be put back after the document changed.
    struct ScrollSpot {
        bool atEnd = true;
        int topBlock = 0;
        int lineInBlock = 0;
    };

    void rebuild();
    void onAppended();
    void onTrimmed(int count);
    void onCleared();
    void clearDocument();
    void showSliceNowOrSoon();
    void showNextSlice();
    int removeStaleLines(const QElapsedTimer &turn);
    void appendPendingLines(const QElapsedTimer &turn);
    void insertLine(QTextCursor &cursor, const ChatLine &line);
    ScrollSpot scrollSpot() const;
    void restoreScrollSpot(const ScrollSpot &spot, int removedAbove);
    int documentLines() const { return m_staleLines + m_shownLines; }

    QPointer<ChatLog> m_log;
    QTimer *m_nextSlice;
    // The document holds m_staleLines lines the log has trimmed already, then the log's first
    // m_shownLines lines; the log's later lines wait for their slice.
    int m_staleLines = 0;
    int m_shownLines = 0; // an empty first line leaves the document looking empty
    // The caret belongs after this many lines of the log once they are shown; -1: no such aim.
    int m_caretAfterLines = -1;
    bool m_deleteAllowed = false;
    TextViewMenu *m_menu = nullptr;
};
