#pragma once

#include <QObject>

class ChatLog;
class Console;
class Crosshair;
class MainWindow;
class QMenu;

// The demonstration mode, offered on the computer QUIMBEX only: the close-channel icon's menu
// has the one item "demomode". It stops the poll cycle, the chat and the crosshair and fills the
// views with made-up servers, players and chat lines, so that pictures of the window show no real
// server. The made-up lists are the views' own; the server list, server.dat and the player table
// are left as they were, and the made-up lists do not sort. There is no way back but a restart.
class DemoMode final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DemoMode)

public:
    // Gives the close-channel icon its menu.
    DemoMode(MainWindow *window, Console *console, Crosshair *crosshair);

    QMenu *menu() const { return m_menu; }
    bool isRunning() const { return m_running; }

public slots:
    void start();

private:
    void fillServers();
    void fillPlayers();
    void fillChat();

    MainWindow *m_window;
    Console *m_console;
    Crosshair *m_crosshair;
    QMenu *m_menu;
    ChatLog *m_chatLog = nullptr;
    bool m_running = false;
};
