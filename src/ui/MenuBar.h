#pragma once

#include <QObject>

class PlayerMenu;
class QAction;
class QMenu;
class QMenuBar;
class QueueMenu;
class ScriptMenu;
class ServerCommands;
class ServerMenu;

// The window's menu bar: Server, Commands, View, Tools and Help. It shows the pop-up menus' own
// items, so that both offer the same commands under the same enabling rules, and carries the
// window's standard shortcuts: Ctrl+N a new server, F2 edit the selected one, Ctrl+F the program
// log's search, Ctrl+Q quit, F1 the help page.
class MenuBar final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MenuBar)

public:
    // The pop-up menus whose items the bar shows.
    struct Sources {
        ServerMenu *servers = nullptr;
        ServerCommands *commands = nullptr;
        ScriptMenu *scripts = nullptr;
        PlayerMenu *players = nullptr;
        QueueMenu *queue = nullptr;
    };

    MenuBar(QMenuBar *bar, const Sources &sources, QObject *parent = nullptr);

    QMenu *serverMenu() const { return m_server; }
    QMenu *commandsMenu() const { return m_commands; }
    QMenu *viewMenu() const { return m_view; }
    QMenu *toolsMenu() const { return m_tools; }
    QMenu *helpMenu() const { return m_help; }
    QAction *quitAction() const { return m_quit; }
    QAction *searchLogAction() const { return m_searchLog; }
    QAction *showProgramLogAction() const { return m_showLog; }
    QAction *showPasswordsAction() const { return m_showPasswords; }
    QAction *statisticsAction() const { return m_statistics; }
    QAction *optionsAction() const { return m_options; }
    QAction *scriptsAction() const { return m_scriptsPage; }
    QAction *helpAction() const { return m_helpPage; }
    QAction *aboutAction() const { return m_about; }

    // The checks of the View menu follow the options in force.
    void setShowProgramLog(bool on);
    void setShowPasswords(bool on);

signals:
    void quitRequested();
    void searchLogRequested();
    void showProgramLogChanged(bool on);
    void showPasswordsChanged(bool on);
    void statisticsRequested();
    void optionsRequested();
    void scriptsRequested();
    void helpRequested();
    void aboutRequested();

private:
    void buildServerMenu(QMenuBar *bar);
    void buildCommandsMenu(QMenuBar *bar);
    void buildViewMenu(QMenuBar *bar);
    void buildToolsAndHelp(QMenuBar *bar);

    Sources m_sources;
    QMenu *m_server = nullptr;
    QMenu *m_commands = nullptr;
    QMenu *m_view = nullptr;
    QMenu *m_tools = nullptr;
    QMenu *m_help = nullptr;
    QAction *m_quit = nullptr;
    QAction *m_searchLog = nullptr;
    QAction *m_showLog = nullptr;
    QAction *m_showPasswords = nullptr;
    QAction *m_statistics = nullptr;
    QAction *m_options = nullptr;
    QAction *m_scriptsPage = nullptr;
    QAction *m_helpPage = nullptr;
    QAction *m_about = nullptr;
};
