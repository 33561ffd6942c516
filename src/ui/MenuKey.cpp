#include "ui/MenuKey.h"

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextEdit>

MenuKey::MenuKey(QAbstractScrollArea *view, Opener opener)
    : QObject(view)
    , m_view(view)
    , m_opener(std::move(opener)) {
    view->installEventFilter(this);
}

MenuKey *MenuKey::install(QAbstractScrollArea *view, Opener opener) {
    return new MenuKey(view, std::move(opener));
}

QPoint MenuKey::keyboardPosition(const QAbstractScrollArea *view) {
    const QWidget *viewport = view->viewport();
    QRect anchor;
    if (const auto *items = qobject_cast<const QAbstractItemView *>(view)) {
        const QModelIndex current = items->currentIndex();
        if (current.isValid())
            anchor = items->visualRect(current);
    } else if (const auto *plain = qobject_cast<const QPlainTextEdit *>(view)) {
        anchor = plain->cursorRect();
    } else if (const auto *rich = qobject_cast<const QTextEdit *>(view)) {
        anchor = rich->cursorRect();
    }
    // An anchor scrolled out of sight would put the menu somewhere else on the screen.
    anchor = anchor.intersected(viewport->rect());
    const QPoint local = anchor.isEmpty() ? QPoint(8, 8) : anchor.center();
    return viewport->mapToGlobal(local);
}

bool MenuKey::eventFilter(QObject *watched, QEvent *event) {
    if (watched != m_view)
        return false;
    bool requested = false;
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        requested = (key->key() == Qt::Key_Menu && key->modifiers() == Qt::NoModifier) ||
                    (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier);
    } else if (event->type() == QEvent::ContextMenu) {
        requested =
            static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard;
    }
    if (!requested)
        return false;
    m_opener(keyboardPosition(m_view));
    return true;
}
