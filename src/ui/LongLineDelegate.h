#pragma once

#include <QStyledItemDelegate>

class QListView;

// The line views' delegate (program log, search results): every row is as wide as the widest
// line, so the view scrolls sideways to the end of any line, and a line that does not show whole
// shows whole in its tool tip, as plain text.
class LongLineDelegate final : public QStyledItemDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LongLineDelegate)

public:
    // Becomes the delegate of `view` and follows the lines of its model.
    static LongLineDelegate *install(QListView *view);

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    int widestLine() const { return m_widest; }
    // The tool tip of the line at `pos` of the viewport: the whole line when it does not fit,
    // empty when it shows whole.
    QString toolTipAt(const QPoint &pos) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit LongLineDelegate(QListView *view);
    void measureAll();
    void measure(int first, int last);
    int textWidth(const QString &text) const;

    QListView *m_view;
    int m_widest = 0;
};
