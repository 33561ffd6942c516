#pragma once

#include <QObject>
#include <QPoint>

#include <functional>

class QAbstractScrollArea;
class QMenu;
class QWidget;

// The pop-up menu of the four text views (the program log, the chat, and the result view of each
// search): "Select all", "Copy", "Delete logfile". "Select all" and "Copy" act on the text view
// that has the keyboard focus, which need not be the one the menu was opened on; "Delete logfile"
// is offered as the view's own rule says. The menu opens with the right mouse button and with
// the Menu key.
class TextViewMenu final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TextViewMenu)

public:
    // Whether "Delete logfile" is enabled, asked each time the menu opens; null: never.
    using DeleteRule = std::function<bool()>;
    using DeleteAction = std::function<void()>;

    // Gives `view` its menu; the helper lives as long as the view.
    static TextViewMenu *install(QAbstractScrollArea *view, DeleteRule deleteEnabled,
                                 DeleteAction deleteLogfile);
    // The menu as it is at this moment, for `view`; the caller shows it.
    static QMenu *create(QAbstractScrollArea *view, bool deleteEnabled,
                         const DeleteAction &deleteLogfile, QWidget *parent);

    // The text view that "Select all" and "Copy" act on: the focused one, else `openedOn`.
    static QAbstractScrollArea *target(QAbstractScrollArea *openedOn);
    static void selectAll(QAbstractScrollArea *view);
    // A list view copies its selected lines in their order, one per line.
    static void copy(QAbstractScrollArea *view);

    QMenu *createMenu(QWidget *parent) const;

private:
    TextViewMenu(QAbstractScrollArea *view, DeleteRule deleteEnabled, DeleteAction deleteLogfile);
    void popup(const QPoint &globalPos) const;

    QAbstractScrollArea *m_view;
    DeleteRule m_deleteEnabled;
    DeleteAction m_deleteLogfile;
};
