#include "ui/QueueMenu.h"

#include "commands/CommandQueue.h"
#include "ui/MenuKey.h"
#include "ui/MessageBoxes.h"

#include <QAbstractItemView>

QueueMenu::QueueMenu(CommandQueue *queue, QAbstractItemView *view, QWidget *parent)
    : QMenu(parent)
    , m_queue(queue)
    , m_view(view)
    , m_delete(addAction(tr("Delete"), this, &QueueMenu::deleteEntry))
    , m_deleteServer(
          addAction(tr("Delete all from this server"), this, &QueueMenu::deleteServerEntries))
    , m_deleteAll(addAction(tr("Delete all"), this, &QueueMenu::deleteAllEntries)) {
    setObjectName(QStringLiteral("queueMenu"));
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { openAt(m_view->viewport()->mapToGlobal(pos)); });
    MenuKey::install(view, [this](const QPoint &globalPos) { openAt(globalPos); });
}

int QueueMenu::selectedRow() const {
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid() || !m_view->selectionModel()->isSelected(current))
        return -1;
    return current.row();
}

void QueueMenu::updateEnabling() {
    const bool selected = selectedRow() >= 0;
    for (QAction *action : {m_delete, m_deleteServer, m_deleteAll})
        action->setEnabled(selected);
}

void QueueMenu::openAt(const QPoint &globalPos) {
    updateEnabling();
    popup(globalPos);
}

void QueueMenu::deleteEntry() {
    const int row = selectedRow();
    if (row < 0)
        return;
    m_queue->removeEntry(row);
    m_queue->SaveQueue();
}

void QueueMenu::deleteServerEntries() {
    const int row = selectedRow();
    if (row < 0)
        return;
    const QString server = m_queue->entry(row).server;
    if (!MessageBoxes::confirm(m_view->window(),
                               tr("Delete all commands to `%1\u00b4 ?").arg(server)))
        return;
    m_queue->removeServerEntries(server);
    m_queue->SaveQueue();
}

void QueueMenu::deleteAllEntries() {
    if (selectedRow() < 0)
        return;
    if (!MessageBoxes::confirm(m_view->window(), tr("Delete all commands to all servers?")))
        return;
    m_queue->removeAll();
    m_queue->SaveQueue();
}
