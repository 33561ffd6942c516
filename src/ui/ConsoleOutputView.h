#pragma once

#include <QPlainTextEdit>
#include <QQueue>
#include <QString>
#include <QTimer>

struct ConsoleExchange;

// The console tab's output: each ended exchange as a heading (stamp, server, command) over the
// whole answer. A long answer goes in over several event-loop turns, a few thousand lines at a
// time, so that a megabyte of text never holds up the window; the view follows the end while it
// is scrolled there.
class ConsoleOutputView final : public QPlainTextEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConsoleOutputView)

public:
    // A line longer than this is shown in pieces of this length: one line of a megabyte would
    // take seconds to lay out.
    static constexpr int kLongestLine = 2000;
    static constexpr int kCharactersPerTurn = 24 * kLongestLine;
    static constexpr int kMaximumBlocks = 200000;

    explicit ConsoleOutputView(QWidget *parent = nullptr);

    // The heading and the text the exchange shows under it, as they go into the view (before
    // the long lines are cut into pieces).
    static QString heading(const ConsoleExchange &exchange);
    static QString body(const ConsoleExchange &exchange);
    // `text` with a line break after every kLongestLine characters of a line.
    static QString withLongLinesCut(QStringView text);

    void appendExchange(const ConsoleExchange &exchange);
    // True once everything appended is in the view.
    bool isComplete() const { return m_pending.isEmpty(); }

private:
    struct Piece {
        QString text;
        bool heading = false;
        qsizetype shown = 0; // of a body, the characters in the view so far
    };
    void showMore();
    // The next part of the piece's text that fits a turn, ending at a line end.
    static QStringView nextPart(Piece &piece);

    QQueue<Piece> m_pending;
    QTimer m_more;
};
