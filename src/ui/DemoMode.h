#pragma once

#include <QObject>

class ChatLog;
class ChatPanel;
class Console;
class Crosshair;
class QMenu;
class QTreeView;
class ServerListView;
class StatusPanels;

// The demonstration mode, offered on the computer QUIMBEX only: the close-channel icon's menu
// has the one item "demomode". It stops the poll cycle, the chat and the crosshair and fills the
// views with made-up servers, players and chat lines, so that pictures of the window show no real
// server. The made-up lists are the views' own; the server list, server.dat and the player table
// are left as they were, and the made-up lists do not sort. There is no way back but a restart.
class DemoMode final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DemoMode)

public:
    // The parts of the window that the made-up lists and chat fill.
    struct Views {
        ChatPanel *chat = nullptr;
        ServerListView *servers = nullptr;
        QTreeView *players = nullptr;
        StatusPanels *status = nullptr;
    };

    // Gives the close-channel icon of `views.chat` its menu.
    DemoMode(Console *console, Crosshair *crosshair, const Views &views, QObject *parent = nullptr);

    QMenu *menu() const { return m_menu; }
    bool isRunning() const { return m_running; }

public slots:
    void start();

private:
    void fillServers();
    void fillPlayers();
    void fillChat();

    Console *m_console;
    Crosshair *m_crosshair;
    Views m_views;
    QMenu *m_menu;
    ChatLog *m_chatLog = nullptr;
    bool m_running = false;
};
