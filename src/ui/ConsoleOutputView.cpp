#include "ui/ConsoleOutputView.h"

#include "base/LogStamp.h"
#include "commands/ConsoleExchange.h"
#include "rcon/AnswerText.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>

ConsoleOutputView::ConsoleOutputView(QWidget *parent)
    : QPlainTextEdit(parent) {
    setReadOnly(true);
    setUndoRedoEnabled(false);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setMaximumBlockCount(kMaximumBlocks);
    setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 9));
    m_more.setSingleShot(true);
    m_more.setInterval(0);
    connect(&m_more, &QTimer::timeout, this, &ConsoleOutputView::showMore);
}

QString ConsoleOutputView::heading(const ConsoleExchange &exchange) {
    return LogStamp::format(exchange.sent) + exchange.server + QStringLiteral(" > ") +
           exchange.command + (exchange.late ? tr("  (answer after the time-out)") : QString());
}

QString ConsoleOutputView::body(const ConsoleExchange &exchange) {
    if (exchange.state == ConsoleExchange::State::Failed)
        return exchange.text;
    if (AnswerText::isNoOutputAnswer(exchange.text))
        return tr("(no output)");
    const QString text = AnswerText::withPlainLineEnds(exchange.text);
    qsizetype from = 0;
    qsizetype to = text.size();
    while (from < to && text.at(from) == QLatin1Char('\n'))
        ++from;
    while (to > from && text.at(to - 1) == QLatin1Char('\n'))
        --to;
    if (QStringView(text).mid(from, to - from).trimmed().isEmpty())
        return tr("(no output)");
    return from == 0 && to == text.size() ? text : text.mid(from, to - from);
}

QString ConsoleOutputView::withLongLinesCut(QStringView text) {
    QString cut;
    qsizetype lineStart = 0;
    while (lineStart <= text.size()) {
        qsizetype lineEnd = text.indexOf(QLatin1Char('\n'), lineStart);
        if (lineEnd < 0)
            lineEnd = text.size();
        for (qsizetype at = lineStart; at < lineEnd; at += kLongestLine) {
            if (at > lineStart)
                cut += QLatin1Char('\n');
            cut += text.mid(at, std::min<qsizetype>(kLongestLine, lineEnd - at));
        }
        if (lineEnd < text.size())
            cut += QLatin1Char('\n');
        lineStart = lineEnd + 1;
    }
    return cut;
}

void ConsoleOutputView::appendExchange(const ConsoleExchange &exchange) {
    m_pending.enqueue({heading(exchange), true});
    m_pending.enqueue({body(exchange), false});
    if (!m_more.isActive())
        m_more.start();
}

QStringView ConsoleOutputView::nextPart(Piece &piece) {
    const QStringView rest = QStringView(piece.text).mid(piece.shown);
    qsizetype length = rest.size();
    if (length > kCharactersPerTurn) {
        const qsizetype lineEnd = rest.lastIndexOf(QLatin1Char('\n'), kCharactersPerTurn);
        length = lineEnd > 0 ? lineEnd : kCharactersPerTurn;
    }
    piece.shown += length;
    // The line end after the part belongs to no part: each part becomes lines of their own.
    if (piece.shown < piece.text.size() && piece.text.at(piece.shown) == QLatin1Char('\n'))
        ++piece.shown;
    return rest.left(length);
}

void ConsoleOutputView::showMore() {
    QScrollBar *bar = verticalScrollBar();
    const bool atEnd = bar->value() >= bar->maximum();
    // A cursor of its own: the operator's caret and selection stay.
    QTextCursor end(document());
    end.movePosition(QTextCursor::End);
    end.beginEditBlock();
    qsizetype characters = 0;
    while (!m_pending.isEmpty() && characters < kCharactersPerTurn) {
        Piece &piece = m_pending.head();
        QTextCharFormat format;
        if (piece.heading)
            format.setFontWeight(QFont::Bold);
        if (!document()->isEmpty())
            end.insertBlock();
        if (piece.heading && document()->blockCount() > 1)
            end.insertBlock(); // a blank line between exchanges
        const QStringView part = nextPart(piece);
        end.insertText(withLongLinesCut(part), format);
        characters += part.size() + 1;
        if (piece.shown >= piece.text.size())
            m_pending.dequeue();
    }
    end.endEditBlock();
    if (atEnd)
        bar->setValue(bar->maximum());
    if (!m_pending.isEmpty())
        m_more.start();
}
