#include "ui/ServerMenu.h"

#include "chat/ChatSession.h"
#include "console/Console.h"
#include "console/ServerEditor.h"
#include "servers/ServerListModel.h"
#include "ui/MenuKey.h"
#include "ui/MessageBoxes.h"
#include "ui/ServerListView.h"
#include "ui/ServerSettingsDialog.h"

#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>

ServerMenu::ServerMenu(Console *console, ServerListView *view, QWidget *parent)
    : QMenu(parent)
    , m_console(console)
    , m_view(view)
    , m_dialog(new ServerSettingsDialog(console->serverEditor(), parent)) {
    setObjectName(QStringLiteral("serverMenu"));
    m_new = addAction(tr("New server"), this, &ServerMenu::newServer);
    m_edit = addAction(tr("Edit server"), this, &ServerMenu::editServer);
    m_delete = addAction(tr("Delete server"), this, &ServerMenu::deleteServer);
    addSeparator();
    m_commandsEnd = addSeparator();
    m_chat = addAction(tr("Chat"), this, &ServerMenu::chat);
    m_chat->setCheckable(true);

    ChatSession *session = console->chat();
    m_chat->setChecked(session->isMenuChecked());
    connect(session, &ChatSession::menuCheckedChanged, m_chat, &QAction::setChecked);

    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { openAt(m_view->viewport()->mapToGlobal(pos)); });
    QLabel *placeholder = view->placeholder();
    connect(placeholder, &QWidget::customContextMenuRequested, this,
            [this, placeholder](const QPoint &pos) { openAt(placeholder->mapToGlobal(pos)); });
    MenuKey::install(view, [this](const QPoint &globalPos) { openAt(globalPos); });
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
    connect(view, &ServerListView::addServerRequested, this, &ServerMenu::newServer);

    // The items are shared with the menu bar, whose shortcuts act without the menu opening.
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ServerMenu::updateEnabling);
    connect(view->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &ServerMenu::updateEnabling);
    QAbstractItemModel *servers = console->servers();
    connect(servers, &QAbstractItemModel::rowsInserted, this, &ServerMenu::updateEnabling);
    connect(servers, &QAbstractItemModel::rowsRemoved, this, &ServerMenu::updateEnabling);
    connect(servers, &QAbstractItemModel::dataChanged, this, &ServerMenu::updateEnabling);
    connect(servers, &QAbstractItemModel::modelReset, this, &ServerMenu::updateEnabling);
    connect(session, &ChatSession::menuCheckedChanged, this, &ServerMenu::updateEnabling);
    updateEnabling();
}

void ServerMenu::addServerCommand(QAction *action) {
    insertAction(m_commandsEnd, action);
    m_commands << action;
}

void ServerMenu::setScriptMenu(QMenu *menu) {
    if (m_scripts)
        removeAction(m_scripts->menuAction());
    m_scripts = menu;
    if (menu)
        addMenu(menu);
}

QString ServerMenu::selectedServer() const {
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid() || !m_view->selectionModel()->isSelected(current))
        return {};
    return current.siblingAtColumn(ServerListModel::NameColumn).data().toString();
}

void ServerMenu::updateEnabling() {
    const QString selected = selectedServer();
    const ServerListModel *servers = m_console->servers();
    const int row = selected.isEmpty() ? -1 : servers->rowOfName(selected);
    const bool isSelected = row >= 0;
    const bool online =
        isSelected && servers->entry(row).statusText().contains(QLatin1String("Online"));
    // Always offered: with a server selected the same keys must not reach "Edit server".
    m_new->setEnabled(true);
    m_edit->setEnabled(isSelected);
    m_delete->setEnabled(isSelected);
    // With nothing selected "Chat" is offered only to close the open chat.
    m_chat->setEnabled(isSelected ? online : m_console->chat()->isOpen());
    m_chat->setChecked(m_console->chat()->isMenuChecked());
    for (QAction *command : std::as_const(m_commands))
        command->setEnabled(online);
    if (m_scripts)
        m_scripts->menuAction()->setEnabled(online);
}

void ServerMenu::openAt(const QPoint &globalPos) {
    updateEnabling();
    popup(globalPos);
}

void ServerMenu::newServer() {
    if (!m_dialog->isVisible())
        m_dialog->openForAdd();
}

void ServerMenu::editServer() {
    const QString name = selectedServer();
    if (!name.isEmpty() && !m_dialog->isVisible())
        m_dialog->openForEdit(name);
}

void ServerMenu::deleteServer() {
    const QString name = selectedServer();
    if (name.isEmpty())
        return;
    const QString question = tr("Server and logfile: `%1\u00b4 really delete?").arg(name);
    if (MessageBoxes::confirm(m_view->window(), question))
        m_console->serverEditor()->markForDeletion(name);
}

void ServerMenu::chat() {
    m_console->chat()->Chat1Click(selectedServer());
    // A click that changed nothing must not leave the tick toggled.
    m_chat->setChecked(m_console->chat()->isMenuChecked());
}

QString ServerMenu::whyNoChat(const QString &name) const {
    const ServerListModel *servers = m_console->servers();
    const int row = servers->rowOfName(name);
    if (row < 0)
        return {};
    const ServerEntry &entry = servers->entry(row);
    if (entry.statusText().contains(QLatin1String("Online")))
        return {};
    switch (entry.state) {
    case ServerState::Queue:
        return tr("No chat with `%1\u00b4: it has not been visited yet").arg(name);
    case ServerState::BadLogin:
        return tr("No chat with `%1\u00b4: it refuses the RCON password (Bad login)").arg(name);
    case ServerState::Erase:
        return tr("No chat with `%1\u00b4: it is being deleted").arg(name);
    default:
        return tr("No chat with `%1\u00b4: it is offline (%2)").arg(name, entry.statusText());
    }
}

void ServerMenu::chatOrExplain() {
    const QString name = selectedServer();
    // With no server selected only an open chat closes, as "Chat" would.
    if (name.isEmpty() && !m_console->chat()->isOpen())
        return;
    if (!name.isEmpty() && !m_console->chat()->isWaiting()) {
        const QString why = whyNoChat(name);
        if (!why.isEmpty()) {
            emit statusMessage(why);
            return;
        }
    }
    chat();
}

bool ServerMenu::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_view && event->type() == QEvent::KeyRelease) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Delete && !key->isAutoRepeat() && !selectedServer().isEmpty()) {
            deleteServer();
            return true;
        }
    } else if (watched == m_view && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            modifiers == Qt::NoModifier) {
            if (!key->isAutoRepeat())
                chatOrExplain();
            return true;
        }
    } else if ((event->type() == QEvent::MouseButtonPress ||
                event->type() == QEvent::MouseButtonDblClick) &&
               watched == m_view->viewport()) {
        // The event type is checked first: other events also arrive while the view is being
        // destroyed, when it must no longer be asked for its viewport.
        const auto *mouse = static_cast<QMouseEvent *>(event);
        // A click below the rows selects nothing, so the menu there offers "New server".
        if (event->type() == QEvent::MouseButtonPress &&
            !m_view->indexAt(mouse->position().toPoint()).isValid())
            m_view->selectionModel()->clearSelection();
        else if (event->type() == QEvent::MouseButtonDblClick && mouse->button() == Qt::LeftButton)
            chatOrExplain();
    }
    return QMenu::eventFilter(watched, event);
}
