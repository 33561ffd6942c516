#pragma once

#include "ui/LineFilter.h"

#include <QColor>
#include <QObject>
#include <QRect>
#include <QStringList>

#include <functional>

class QAbstractScrollArea;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// One search over a text view: the search box with its picture, the hits button, and the result
// view that takes the searched view's place while the box holds a word. Every change of the box
// searches the view's lines as they are at that moment; new lines show in the result at the next
// change. The hits button reads "Hits: N  CLOSE SEARCH" and empties the box, which closes the
// search and brings the searched view back; so does Escape in the box or in the result.
class LogSearch final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LogSearch)

public:
    // The searched view's lines, in its order.
    using LineSource = std::function<QStringList()>;
    // Shows the hits in the result view; an empty list empties it.
    using ResultSink = std::function<void(const QStringList &hits)>;
    // Where the box goes inside the controls' parent, asked whenever that parent is resized.
    using Placement = std::function<QRect(const QWidget *controlsParent)>;

    // The box, its picture and the hits button are children of `controlsParent`, placed there by
    // `placement`. The result view gets the text views' menu, without "Delete logfile".
    LogSearch(QWidget *controlsParent, QWidget *searchedView, QAbstractScrollArea *resultView,
              LineSource lines, ResultSink showResult, Placement placement,
              QObject *parent = nullptr);

    QLineEdit *field() const { return m_field; }
    QLabel *icon() const { return m_icon; }
    QPushButton *hitsButton() const { return m_hits; }
    QAbstractScrollArea *resultView() const { return m_result; }

    // Active while the box holds at least one word.
    bool isActive() const { return m_active; }
    int hitCount() const { return m_hitCount; }
    // How many lines the last keystroke's filter looked at (the last hits when it narrowed them).
    int linesExamined() const { return m_filter.linesExamined(); }

    // The box, its picture and (while active) the hits button show only with their view's tab.
    void setControlsVisible(bool visible);
    // Puts the box at `field`, its picture 20 px and the hits button 230 px to its left, neither
    // left of the left limit.
    void placeField(const QRect &field);
    void place();
    void setLeftLimit(int x) { m_leftLimit = x; }

    // The box of the program log: 7 px from the top, its right edge 8 px from the area's right
    // edge, a third of the area's width (a quarter below 800 px, a ninth below 600 px), never left
    // of 170 px.
    static QRect programLogField(int areaWidth, int height);
    static constexpr int kProgramLogLeftLimit = 170;
    static QColor resultText();
    static QColor resultBackground();

public slots:
    // Empties the box, which closes the search.
    void close();

signals:
    // The search closed and the searched view is shown again.
    void closed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void run(const QString &text);
    void showHits();

    QWidget *m_parentWidget;
    QWidget *m_searched;
    QAbstractScrollArea *m_result;
    LineSource m_lines;
    ResultSink m_showResult;
    Placement m_placement;
    QLineEdit *m_field;
    QLabel *m_icon;
    QPushButton *m_hits;
    LineFilter m_filter;
    bool m_active = false;
    bool m_controlsVisible = true;
    int m_hitCount = 0;
    int m_leftLimit = 0;
};
