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
    static constexpr int kLinesPerTurn = 1500;
    static constexpr int kCharactersPerTurn = 96 * 1024;
    // A line longer than this is shown in pieces of this length: one line of a megabyte would
    // take seconds to lay out.
    static constexpr int kLongestLine = 2000;
    static constexpr int kMaximumBlocks = 200000;

    explicit ConsoleOutputView(QWidget *parent = nullptr);

    // The heading and the lines the exchange shows, as they go into the view.
    static QString heading(const ConsoleExchange &exchange);
    static QStringList bodyLines(const ConsoleExchange &exchange);

    void appendExchange(const ConsoleExchange &exchange);
    // True once everything appended is in the view.
    bool isComplete() const { return m_pending.isEmpty(); }

private:
    struct Piece {
        QString text;
        bool heading = false;
    };
    void showMore();

    QQueue<Piece> m_pending;
    QTimer m_more;
};
