#pragma once

#include <QPlainTextEdit>
#include <QStringList>
#include <QTimer>

// A read-only plain-text view of a search's hits, one per line. A long list shows its first lines
// at once and the rest over the next event-loop turns, so that a keystroke never waits for twenty
// thousand lines to be laid out; a new list replaces one still being shown.
class ResultTextView final : public QPlainTextEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ResultTextView)

public:
    static constexpr int kFirstLines = 300;
    static constexpr int kLinesPerTurn = 2000;

    explicit ResultTextView(QWidget *parent = nullptr);

    void setLines(const QStringList &lines);
    // True once every line of the list is in the view.
    bool isComplete() const { return m_shown >= m_lines.size(); }

private:
    void showMore();

    QStringList m_lines;
    qsizetype m_shown = 0;
    QTimer m_more;
};
