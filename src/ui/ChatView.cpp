#include "ui/ChatView.h"

#include "chat/ChatLine.h"
#include "chat/ChatLog.h"
#include "ui/TextViewMenu.h"

#include <QElapsedTimer>
#include <QMenu>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>

#include <algorithm>

namespace {
// Work per event-loop turn; the rest waits for the next turn.
constexpr qint64 kTurnBudgetMs = 8;
// Cutting thousands of lines from the top at once grows faster than the count.
constexpr int kStaleLinesPerCut = 500;

QTextCharFormat plainFormat() {
    QTextCharFormat format;
    format.setForeground(ChatColors::viewText());
    format.setFontWeight(QFont::Normal);
    return format;
}

QTextCharFormat runFormat(const ChatRun &run) {
    QTextCharFormat format;
    // A colour too dark for the background is lightened here only; the log keeps it exact.
    format.setForeground(run.color.isValid() ? ChatColors::readableOnBackground(run.color)
                                             : ChatColors::viewText());
    format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
    return format;
}
} // namespace

ChatView::ChatView(QWidget *parent)
    : QPlainTextEdit(parent)
    , m_nextSlice(new QTimer(this)) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Read-only, but the operator may still place the caret and select text to copy.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, ChatColors::background());
    colours.setColor(QPalette::Text, ChatColors::viewText());
    setPalette(colours);
    m_nextSlice->setSingleShot(true);
    m_nextSlice->setInterval(0);
    connect(m_nextSlice, &QTimer::timeout, this, &ChatView::showNextSlice);
    m_menu = TextViewMenu::install(
        this, [this] { return m_deleteAllowed && m_log && !m_log->isEmpty(); },
        [this] { emit deleteLogfileRequested(); });
}

void ChatView::setChatLog(ChatLog *log) {
    if (m_log)
        m_log->disconnect(this);
    m_log = log;
    if (m_log) {
        connect(m_log, &ChatLog::linesAppended, this, &ChatView::onAppended);
        connect(m_log, &ChatLog::linesTrimmed, this, &ChatView::onTrimmed);
        connect(m_log, &ChatLog::cleared, this, &ChatView::onCleared);
    }
    rebuild();
}

void ChatView::rebuild() {
    onCleared();
    showNextSlice();
}

bool ChatView::isUpToDate() const {
    // A log that went away leaves nothing more to show.
    return m_staleLines == 0 && (!m_log || m_shownLines == m_log->lineCount());
}

void ChatView::onAppended() {
    showSliceNowOrSoon();
}

void ChatView::onTrimmed(int count) {
    if (count <= 0)
        return;
    // The log's oldest lines went; those not shown yet simply never will be.
    const int gone = std::min(count, m_shownLines);
    m_shownLines -= gone;
    if (m_caretAfterLines >= 0) {
        m_caretAfterLines -= count;
        if (m_caretAfterLines <= m_shownLines)
            m_caretAfterLines = -1;
    }
    if (m_shownLines == 0 && gone > 0)
        clearDocument(); // nothing of the log is left in the document: dropping it is cheap
    else
        m_staleLines += gone;
    showSliceNowOrSoon();
}

void ChatView::onCleared() {
    clearDocument();
    m_shownLines = 0;
    m_caretAfterLines = -1;
}

void ChatView::clearDocument() {
    document()->clear();
    m_staleLines = 0;
}

void ChatView::showSliceNowOrSoon() {
    // While slicing, the pending timer picks up whatever the log did meanwhile.
    if (!m_nextSlice->isActive())
        showNextSlice();
}

void ChatView::showNextSlice() {
    if (!isUpToDate()) {
        QElapsedTimer turn;
        turn.start();
        const ScrollSpot spot = scrollSpot();
        const int removed = removeStaleLines(turn);
        if (m_staleLines == 0 && m_log)
            appendPendingLines(turn);
        restoreScrollSpot(spot, removed);
    }
    if (isUpToDate()) {
        m_nextSlice->stop();
        emit caughtUp();
    } else {
        m_nextSlice->start();
    }
}

int ChatView::removeStaleLines(const QElapsedTimer &turn) {
    int removed = 0;
    while (m_staleLines > 0) {
        const int cut = std::min(m_staleLines, kStaleLinesPerCut);
        // Placed by position: walking the cursor down would lay out every block it passes.
        QTextCursor cursor(document());
        cursor.setPosition(document()->findBlockByNumber(cut).position(), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        m_staleLines -= cut;
        removed += cut;
        if (turn.elapsed() >= kTurnBudgetMs)
            break;
    }
    return removed;
}

void ChatView::appendPendingLines(const QElapsedTimer &turn) {
    const QList<ChatLine> &lines = m_log->lines();
    const int end = std::min(m_log->lineCount(), m_shownLines + kMostLinesPerTurn);
    if (m_shownLines >= end)
        return;
    const QTextCursor caret = textCursor();
    const int caretPosition = caret.position();
    const int caretAnchor = caret.anchor();
    // scrollToEnd() aims the caret past lines still to come, unless the operator moved it since.
    const bool caretToEnd = m_caretAfterLines > m_shownLines && !caret.hasSelection() &&
                            caretPosition == document()->characterCount() - 1;
    if (!caretToEnd)
        m_caretAfterLines = -1;

    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    for (int inTurn = 0; m_shownLines < end; ++inTurn) {
        if (inTurn >= kFewestLinesPerTurn && turn.elapsed() >= kTurnBudgetMs)
            break;
        if (documentLines() > 0)
            cursor.insertBlock();
        insertLine(cursor, lines.at(m_shownLines));
        ++m_shownLines;
    }
    cursor.endEditBlock();

    if (caretToEnd) {
        const int lastLine = std::min(m_shownLines, m_caretAfterLines) - 1;
        const QTextBlock block = document()->findBlockByNumber(m_staleLines + lastLine);
        QTextCursor placed(document());
        placed.setPosition(block.position() + block.length() - 1);
        setTextCursor(placed);
        if (m_caretAfterLines <= m_shownLines)
            m_caretAfterLines = -1;
    } else if (textCursor().position() != caretPosition || textCursor().anchor() != caretAnchor) {
        // A caret at the end would travel with the new text; it stays where the operator left it.
        QTextCursor restored(document());
        restored.setPosition(caretAnchor);
        restored.setPosition(caretPosition, QTextCursor::KeepAnchor);
        setTextCursor(restored);
    }
}

void ChatView::insertLine(QTextCursor &cursor, const ChatLine &line) {
    const QString &text = line.displayText();
    const QTextCharFormat plain = plainFormat();
    int at = 0;
    for (const ChatRun &run : line.runs()) {
        if (run.start > at)
            cursor.insertText(text.mid(at, run.start - at), plain);
        cursor.insertText(text.mid(run.start, run.length), runFormat(run));
        at = run.start + run.length;
    }
    if (at < text.size())
        cursor.insertText(text.mid(at), plain);
    // An empty line still needs the plain format for what is typed after it.
    if (text.isEmpty())
        cursor.setCharFormat(plain);
}

ChatView::ScrollSpot ChatView::scrollSpot() const {
    ScrollSpot spot;
    spot.atEnd = isShowingLastLine();
    const QTextBlock top = firstVisibleBlock();
    spot.topBlock = top.blockNumber();
    spot.lineInBlock = std::max(0, verticalScrollBar()->value() - top.firstLineNumber());
    return spot;
}

void ChatView::restoreScrollSpot(const ScrollSpot &spot, int removedAbove) {
    QScrollBar *bar = verticalScrollBar();
    if (spot.atEnd) {
        bar->setValue(bar->maximum());
    } else if (spot.topBlock < removedAbove) {
        bar->setValue(0);
    } else {
        // The lines in view stay in view while the oldest ones go.
        const QTextBlock top = document()->findBlockByNumber(spot.topBlock - removedAbove);
        bar->setValue(top.firstLineNumber() + spot.lineInBlock);
    }
}

bool ChatView::isShowingLastLine() const {
    const QScrollBar *bar = verticalScrollBar();
    return bar->value() >= bar->maximum();
}

int ChatView::lastVisibleLine() const {
    // The character nearest the bottom-left corner of the text area names the line.
    const QPoint corner(1, viewport()->height() - 2);
    return cursorForPosition(corner).blockNumber();
}

void ChatView::scrollToEnd() {
    QTextCursor caret = textCursor();
    caret.movePosition(QTextCursor::End);
    setTextCursor(caret);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
    m_caretAfterLines = m_log && m_shownLines < m_log->lineCount() ? m_log->lineCount() : -1;
}

void ChatView::setDeleteLogfileAllowed(bool allowed) {
    m_deleteAllowed = allowed;
}

QMenu *ChatView::createLogMenu(QWidget *parent) {
    return m_menu->createMenu(parent);
}
