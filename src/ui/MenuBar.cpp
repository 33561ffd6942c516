#include "ui/MenuBar.h"

#include "ui/PlayerMenu.h"
#include "ui/QueueMenu.h"
#include "ui/ScriptMenu.h"
#include "ui/ServerCommands.h"
#include "ui/ServerListView.h"
#include "ui/ServerMenu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

MenuBar::MenuBar(QMenuBar *bar, const Sources &sources, QObject *parent)
    : QObject(parent)
    , m_sources(sources) {
    bar->setAccessibleName(tr("Menu bar"));
    buildServerMenu(bar);
    buildCommandsMenu(bar);
    buildViewMenu(bar);
    buildToolsAndHelp(bar);
}

void MenuBar::buildServerMenu(QMenuBar *bar) {
    ServerMenu *servers = m_sources.servers;
    m_server = bar->addMenu(tr("&Server"));
    QAction *add = servers->newServerAction();
    add->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    m_server->addAction(add);
    QAction *edit = servers->editServerAction();
    edit->setShortcut(QKeySequence(Qt::Key_F2));
    // F2 belongs to the server list: elsewhere it edits nothing the operator is looking at.
    edit->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    servers->view()->addAction(edit);
    m_server->addAction(edit);
    QAction *remove = servers->deleteServerAction();
    // The list itself deletes on the key's release; here the key is only named.
    remove->setShortcut(QKeySequence(Qt::Key_Delete));
    remove->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_server->addAction(remove);
    m_server->addSeparator();
    m_server->addAction(servers->chatAction());
    m_server->addSeparator();
    m_quit = m_server->addAction(tr("&Quit"), this, &MenuBar::quitRequested);
    m_quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_quit->setMenuRole(QAction::QuitRole);
    connect(m_server, &QMenu::aboutToShow, servers, &ServerMenu::updateEnabling);
}

void MenuBar::buildCommandsMenu(QMenuBar *bar) {
    ServerCommands *commands = m_sources.commands;
    m_commands = bar->addMenu(tr("&Commands"));
    for (QAction *action :
         {commands->saveWorldAction(), commands->destroyWildDinosAction(), commands->stopAction(),
          commands->unbanAction(), commands->messageOfTheDayAction()})
        m_commands->addAction(action);
    m_commands->addAction(m_sources.scripts->menuAction());
    m_commands->addSeparator();

    PlayerMenu *players = m_sources.players;
    QMenu *player = m_commands->addMenu(tr("Selected &player"));
    player->addActions({players->profileAction(), players->kickAction(), players->banAction()});
    QueueMenu *queue = m_sources.queue;
    QMenu *queued = m_commands->addMenu(tr("Command &queue"));
    queued->addActions(
        {queue->deleteAction(), queue->deleteServerAction(), queue->deleteAllAction()});

    connect(m_commands, &QMenu::aboutToShow, m_sources.servers, &ServerMenu::updateEnabling);
    connect(player, &QMenu::aboutToShow, players, &PlayerMenu::updateEnabling);
    connect(queued, &QMenu::aboutToShow, queue, &QueueMenu::updateEnabling);
}

void MenuBar::buildViewMenu(QMenuBar *bar) {
    m_view = bar->addMenu(tr("&View"));
    m_searchLog =
        m_view->addAction(tr("Search program logfile"), this, &MenuBar::searchLogRequested);
    m_searchLog->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    m_statistics = m_view->addAction(tr("Statistics"), this, &MenuBar::statisticsRequested);
    m_view->addSeparator();
    m_showLog = m_view->addAction(tr("Show program logfile"));
    m_showLog->setCheckable(true);
    connect(m_showLog, &QAction::triggered, this, &MenuBar::showProgramLogChanged);
    m_showPasswords = m_view->addAction(tr("Show passwords"));
    m_showPasswords->setCheckable(true);
    connect(m_showPasswords, &QAction::triggered, this, &MenuBar::showPasswordsChanged);
}

void MenuBar::buildToolsAndHelp(QMenuBar *bar) {
    m_tools = bar->addMenu(tr("&Tools"));
    m_options = m_tools->addAction(tr("Options…"), this, &MenuBar::optionsRequested);
    m_options->setMenuRole(QAction::PreferencesRole);
    m_scriptsPage = m_tools->addAction(tr("Scripts…"), this, &MenuBar::scriptsRequested);

    m_help = bar->addMenu(tr("&Help"));
    m_helpPage = m_help->addAction(tr("Help"), this, &MenuBar::helpRequested);
    m_helpPage->setShortcut(QKeySequence(Qt::Key_F1));
    m_about = m_help->addAction(tr("About"), this, &MenuBar::aboutRequested);
    m_about->setMenuRole(QAction::AboutRole);
}

void MenuBar::setShowProgramLog(bool on) {
    m_showLog->setChecked(on);
}

void MenuBar::setShowPasswords(bool on) {
    m_showPasswords->setChecked(on);
}
