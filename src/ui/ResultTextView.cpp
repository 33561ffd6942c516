#include "ui/ResultTextView.h"

#include <QTextCursor>

ResultTextView::ResultTextView(QWidget *parent)
    : QPlainTextEdit(parent) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_more.setSingleShot(true);
    m_more.setInterval(0);
    connect(&m_more, &QTimer::timeout, this, &ResultTextView::showMore);
}

void ResultTextView::setLines(const QStringList &lines) {
    m_more.stop();
    m_lines = lines;
    m_shown = std::min<qsizetype>(kFirstLines, m_lines.size());
    setPlainText(QStringList(m_lines.mid(0, m_shown)).join(QLatin1Char('\n')));
    if (!isComplete())
        m_more.start();
}

void ResultTextView::showMore() {
    const qsizetype count = std::min<qsizetype>(kLinesPerTurn, m_lines.size() - m_shown);
    // A cursor of its own: the operator's caret, selection and scroll position stay.
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.insertText(QLatin1Char('\n') +
                   QStringList(m_lines.mid(m_shown, count)).join(QLatin1Char('\n')));
    m_shown += count;
    if (!isComplete())
        m_more.start();
}
