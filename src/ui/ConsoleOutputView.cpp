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
           exchange.command;
}

QStringList ConsoleOutputView::bodyLines(const ConsoleExchange &exchange) {
    if (exchange.state == ConsoleExchange::State::Failed)
        return {exchange.text};
    if (AnswerText::isNoOutputAnswer(exchange.text))
        return {tr("(no output)")};
    QString text = AnswerText::withPlainLineEnds(exchange.text);
    while (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    while (text.startsWith(QLatin1Char('\n')))
        text.remove(0, 1);
    if (text.trimmed().isEmpty())
        return {tr("(no output)")};
    QStringList lines;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        for (qsizetype at = 0; at < line.size() || at == 0; at += kLongestLine) {
            lines << line.mid(at, kLongestLine);
            if (line.isEmpty())
                break;
        }
    }
    return lines;
}

void ConsoleOutputView::appendExchange(const ConsoleExchange &exchange) {
    m_pending.enqueue({heading(exchange), true});
    const QStringList lines = bodyLines(exchange);
    // Pieces of about one turn's size, so that each turn joins few strings.
    QStringList piece;
    qsizetype size = 0;
    for (const QString &line : lines) {
        piece << line;
        size += line.size() + 1;
        if (piece.size() >= kLinesPerTurn || size >= kCharactersPerTurn) {
            m_pending.enqueue({piece.join(QLatin1Char('\n')), false});
            piece.clear();
            size = 0;
        }
    }
    if (!piece.isEmpty())
        m_pending.enqueue({piece.join(QLatin1Char('\n')), false});
    if (!m_more.isActive())
        m_more.start();
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
        const Piece piece = m_pending.dequeue();
        QTextCharFormat format;
        if (piece.heading)
            format.setFontWeight(QFont::Bold);
        if (!document()->isEmpty())
            end.insertBlock();
        if (piece.heading && document()->blockCount() > 1)
            end.insertBlock(); // a blank line between exchanges
        end.insertText(piece.text, format);
        characters += piece.text.size();
        if (piece.heading)
            characters += kCharactersPerTurn / 8;
    }
    end.endEditBlock();
    if (atEnd)
        bar->setValue(bar->maximum());
    if (!m_pending.isEmpty())
        m_more.start();
}
