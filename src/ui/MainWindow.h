#pragma once

#include "base/WindowLayout.h"

#include <QMainWindow>
#include <QPoint>

class BansPanel;
class ChatPanel;
class ConsolePanel;
class Console;
class Crosshair;
class DemoMode;
class HelpPage;
class LogPanel;
class MenuBar;
class QSplitter;
class QSystemTrayIcon;
class QTreeView;
class QTreeWidget;
class ServerListView;
class OptionsDialog;
class PlayerMenu;
class QueueMenu;
class ScriptMenu;
class ServerCommands;
class ServerMenu;
class StatusPanels;

// The console's one main window: server, queue and player lists on the left; the chat area and
// the program log on the right; five status panels below.
class MainWindow final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    explicit MainWindow(Console *console, QWidget *parent = nullptr);

    // The console's start-up, then the window lays itself out from the settings it read; runs
    // once, when the window is shown for the first time.
    void runStartUp();
    // The console's exit sequence with this window's layout; runs once, whichever way the
    // console is ended.
    void runExitSequence();

    WindowLayout currentLayout() const;
    void applyLayout(const WindowLayout &layout);
    void applyDefaultLayout();
    // A window whose left edge is near the desktop's right end or whose top is below the
    // screen is moved back where it can be reached.
    void keepReachable();
    void setProgramLogVisible(bool visible);
    // A second start of the console asked for this window: out of the tray or from minimised,
    // to the front.
    void bringToFront();
    // Ctrl+F: the program log's tab, shown if it was hidden, with its search box focused.
    void focusLogSearch();
    void showHelp();

    ServerListView *serverView() const { return m_serverView; }
    ServerMenu *serverMenu() const { return m_serverMenu; }
    OptionsDialog *optionsDialog() const { return m_optionsDialog; }
    QTreeView *queueView() const { return m_queueView; }
    QTreeView *playerView() const { return m_playerView; }
    ChatPanel *chatPanel() const { return m_chat; }
    LogPanel *logPanel() const { return m_logPanel; }
    StatusPanels *statusPanels() const { return m_status; }
    ServerCommands *serverCommands() const { return m_serverCommands; }
    ScriptMenu *scriptMenu() const { return m_scriptMenu; }
    QueueMenu *queueMenu() const { return m_queueMenu; }
    PlayerMenu *playerMenu() const { return m_playerMenu; }
    PlayerMenu *chatPlayerMenu() const { return m_chatPlayerMenu; }
    Crosshair *crosshair() const { return m_crosshair; }
    MenuBar *menus() const { return m_menus; }
    HelpPage *helpPage() const { return m_help; }
    // Only on the computer QUIMBEX; null elsewhere.
    DemoMode *demoMode() const { return m_demo; }
    ConsolePanel *consolePanel() const { return m_consolePanel; }
    BansPanel *bansPanel() const { return m_bansPanel; }
    // Ctrl+`: the program log pane shows the "Console" tab with the focus in its command field.
    QAction *focusConsoleAction() const { return m_focusConsole; }
    void focusConsole();

signals:
    // The exit sequence has run: the process may end.
    void exitFinished();

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QWidget *buildLeftColumn();
    void buildTray();
    void connectMonitoring();
    void connectCommands();
    void buildConsoleTabs();
    void buildMenuBar();
    void followQueueColumnWidths();
    void showFromTray();
    // Password masking and the program log pane follow the options.
    void followOptions();

    Console *m_console;
    QSplitter *m_mainSplitter = nullptr;
    QSplitter *m_leftSplitter = nullptr;
    QSplitter *m_rightSplitter = nullptr;
    ServerListView *m_serverView = nullptr;
    ServerMenu *m_serverMenu = nullptr;
    OptionsDialog *m_optionsDialog = nullptr;
    QTreeView *m_queueView = nullptr;
    QTreeView *m_playerView = nullptr;
    ChatPanel *m_chat = nullptr;
    LogPanel *m_logPanel = nullptr;
    StatusPanels *m_status = nullptr;
    ServerCommands *m_serverCommands = nullptr;
    ScriptMenu *m_scriptMenu = nullptr;
    QueueMenu *m_queueMenu = nullptr;
    PlayerMenu *m_playerMenu = nullptr;
    PlayerMenu *m_chatPlayerMenu = nullptr;
    QSystemTrayIcon *m_tray = nullptr;
    Crosshair *m_crosshair = nullptr;
    DemoMode *m_demo = nullptr;
    ConsolePanel *m_consolePanel = nullptr;
    BansPanel *m_bansPanel = nullptr;
    QAction *m_focusConsole = nullptr;
    MenuBar *m_menus = nullptr;
    HelpPage *m_help = nullptr;
    QPoint m_trayPlacement;
    int m_logPaneHeight = 0; // kept while the pane is hidden
    Qt::WindowStates m_trayState;
    bool m_startedUp = false;
    bool m_exited = false;
};
