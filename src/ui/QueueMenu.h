#pragma once

#include <QMenu>

class CommandQueue;
class QAbstractItemView;

// The queue view's pop-up menu: "Delete", "Delete all from this server", "Delete all", offered
// while an entry is selected. Each deletion writes the queue file at once; a command already under
// way is not stopped.
class QueueMenu final : public QMenu {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QueueMenu)

public:
    // The view shows `queue` row for row.
    QueueMenu(CommandQueue *queue, QAbstractItemView *view, QWidget *parent);

    QAction *deleteAction() const { return m_delete; }
    QAction *deleteServerAction() const { return m_deleteServer; }
    QAction *deleteAllAction() const { return m_deleteAll; }

    // The selected entry's row, -1 when none is selected.
    int selectedRow() const;
    void updateEnabling();
    void openAt(const QPoint &globalPos);

    void deleteEntry();
    void deleteServerEntries();
    void deleteAllEntries();

private:
    CommandQueue *m_queue;
    QAbstractItemView *m_view;
    QAction *m_delete;
    QAction *m_deleteServer;
    QAction *m_deleteAll;
};
