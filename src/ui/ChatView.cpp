#include "ui/ChatView.h"

#include "chat/ChatLine.h"
#include "chat/ChatLog.h"
#include "ui/MenuKey.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QTextBlock>

namespace {
QTextCharFormat plainFormat() {
    QTextCharFormat format;
    format.setForeground(ChatColors::viewText());
    format.setFontWeight(QFont::Normal);
    return format;
}

QTextCharFormat runFormat(const ChatRun &run) {
    QTextCharFormat format;
    format.setForeground(run.color.isValid() ? run.color : ChatColors::viewText());
    format.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
    return format;
}
} // namespace

ChatView::ChatView(QWidget *parent)
    : QPlainTextEdit(parent) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Read-only, but the operator may still place the caret and select text to copy.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QPalette colours = palette();
    colours.setColor(QPalette::Base, ChatColors::background());
    colours.setColor(QPalette::Text, ChatColors::viewText());
    setPalette(colours);
    MenuKey::install(this, [this](const QPoint &globalPos) {
        QMenu *menu = createLogMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(globalPos);
    });
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
    if (m_log && !m_log->isEmpty())
        onAppended(0, m_log->lineCount());
}

void ChatView::onCleared() {
    document()->clear();
    m_shownLines = 0;
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
}

void ChatView::onAppended(int first, int count) {
    if (!m_log || count <= 0)
        return;
    const bool follow = isShowingLastLine();
    QScrollBar *bar = verticalScrollBar();
    const int scrolled = bar->value();
    const QTextCursor caret = textCursor();
    const int caretPosition = caret.position();
    const int caretAnchor = caret.anchor();

    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    const QList<ChatLine> &lines = m_log->lines();
    for (int i = first; i < first + count && i < lines.size(); ++i) {
        if (m_shownLines > 0)
            cursor.insertBlock();
        insertLine(cursor, lines.at(i));
        ++m_shownLines;
    }
    cursor.endEditBlock();

    // A caret at the end would travel with the new text; it stays where the operator left it.
    if (textCursor().position() != caretPosition || textCursor().anchor() != caretAnchor) {
        QTextCursor restored(document());
        restored.setPosition(caretAnchor);
        restored.setPosition(caretPosition, QTextCursor::KeepAnchor);
        setTextCursor(restored);
    }
    bar->setValue(follow ? bar->maximum() : scrolled);
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

void ChatView::onTrimmed(int count) {
    if (count <= 0)
        return;
    const bool follow = isShowingLastLine();
    QScrollBar *bar = verticalScrollBar();
    const int scrolled = bar->value();
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::Start);
    if (count >= m_shownLines) {
        cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        m_shownLines = 0;
    } else {
        cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor, count);
        m_shownLines -= count;
    }
    cursor.removeSelectedText();
    cursor.endEditBlock();
    // The lines in view stay in view while the oldest ones go.
    bar->setValue(follow ? bar->maximum() : std::max(0, scrolled - count));
}

void ChatView::setDeleteLogfileAllowed(bool allowed) {
    m_deleteAllowed = allowed;
}

QMenu *ChatView::createLogMenu(QWidget *parent) {
    auto *menu = new QMenu(parent);
    menu->addAction(tr("Select all"), this, &QPlainTextEdit::selectAll);
    menu->addSeparator();
    menu->addAction(tr("Copy"), this, &QPlainTextEdit::copy);
    menu->addSeparator();
    QAction *remove =
        menu->addAction(tr("Delete logfile"), this, &ChatView::deleteLogfileRequested);
    remove->setEnabled(m_deleteAllowed && m_shownLines > 0);
    return menu;
}

void ChatView::contextMenuEvent(QContextMenuEvent *event) {
    QMenu *menu = createLogMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}
