#pragma once

#include <QObject>
#include <QPoint>

#include <functional>

class QAbstractScrollArea;

// Opens a view's pop-up menu from the keyboard: the Menu key, Shift+F10, and the platform's own
// keyboard request for a context menu. The menu appears at the current item (or the text
// cursor) rather than under the mouse, wherever the mouse happens to be.
class MenuKey final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MenuKey)

public:
    // Shows the menu at a global position.
    using Opener = std::function<void(const QPoint &globalPos)>;

    // The helper lives as long as the view.
    static MenuKey *install(QAbstractScrollArea *view, Opener opener);
    // Where a menu opened from the keyboard appears, in global coordinates.
    static QPoint keyboardPosition(const QAbstractScrollArea *view);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    MenuKey(QAbstractScrollArea *view, Opener opener);

    QAbstractScrollArea *m_view;
    Opener m_opener;
};
