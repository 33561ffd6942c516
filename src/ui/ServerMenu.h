#pragma once

#include <QList>
#include <QMenu>
#include <QPointer>

class Console;
class ServerListView;
class ServerSettingsDialog;

// The server list's pop-up menu, on the list and on its empty-list placeholder:
//   "New server", "Edit server", "Delete server"
//   ---
//   the server commands (addServerCommand)
//   ---
//   "Chat" (ticked while a chat is open)
//   the "Script" sub-menu (setScriptMenu)
// Which items are enabled is worked out each time it opens and whenever the selection or a
// server's state changes, so that the menu bar and the shortcuts, which share these items, follow
// the same rules. "New server" is always offered. The list's double-click and Enter (the chat),
// Delete key (delete the server) and Menu key are handled here too.
class ServerMenu final : public QMenu {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServerMenu)

public:
    ServerMenu(Console *console, ServerListView *view, QWidget *parent);

    // The place of the server commands: after the first separator, in the order added. They are
    // enabled only for a selected server whose status contains "Online".
    void addServerCommand(QAction *action);
    // The "Script" sub-menu, after "Chat", enabled like the server commands.
    void setScriptMenu(QMenu *menu);

    QAction *newServerAction() const { return m_new; }
    QAction *editServerAction() const { return m_edit; }
    QAction *deleteServerAction() const { return m_delete; }
    QAction *chatAction() const { return m_chat; }
    ServerSettingsDialog *dialog() const { return m_dialog; }
    ServerListView *view() const { return m_view; }

    // The server selected in the list; empty when none is.
    QString selectedServer() const;
    // The enabling rules for the selected server, then the menu at `globalPos`.
    void openAt(const QPoint &globalPos);
    void updateEnabling();

    // The items' commands, for the selected server.
    void newServer();
    void editServer();
    void deleteServer();
    void chat();
    // The double-click and Enter: the chat of the selected server, or why it cannot have one.
    void chatOrExplain();
    // Why the server of that name cannot chat now; empty when it can.
    QString whyNoChat(const QString &name) const;

signals:
    // A short note for the status bar.
    void statusMessage(const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Console *m_console;
    ServerListView *m_view;
    ServerSettingsDialog *m_dialog;
    QAction *m_new;
    QAction *m_edit;
    QAction *m_delete;
    QAction *m_commandsEnd; // the separator above "Chat"
    QAction *m_chat;
    QList<QAction *> m_commands;
    QPointer<QMenu> m_scripts;
};
