#include "ui/ServerCommands.h"

#include "ui/MessageBoxes.h"
#include "ui/ServerMenu.h"

#include <QAction>

ServerCommands::ServerCommands(CommandQueue *queue, ServerMenu *menu, QWidget *dialogParent)
    : QObject(menu)
    , m_commands(queue)
    , m_menu(menu)
    , m_dialogParent(dialogParent)
    , m_saveWorld(new QAction(tr("`Saveworld\u00b4"), this))
    , m_destroyWildDinos(new QAction(tr("`DestroyWildDinos\u00b4          "), this))
    , m_stop(new QAction(tr("`Stop\u00b4"), this))
    , m_unban(new QAction(tr("`Unban player\u00b4 : ..."), this))
    , m_messageOfTheDay(new QAction(tr("`Set message of the day\u00b4        "), this)) {
    connect(m_saveWorld, &QAction::triggered, this, &ServerCommands::Saveworld1Click);
    connect(m_destroyWildDinos, &QAction::triggered, this, &ServerCommands::DestroyWildDinos1Click);
    connect(m_stop, &QAction::triggered, this, &ServerCommands::Stop1Click);
    connect(m_unban, &QAction::triggered, this, &ServerCommands::N1Click);
    connect(m_messageOfTheDay, &QAction::triggered, this,
            &ServerCommands::Setmessageoftheday1Click);
    for (QAction *action : {m_saveWorld, m_destroyWildDinos, m_stop, m_unban, m_messageOfTheDay})
        menu->addServerCommand(action);
}

QString ServerCommands::selectedServer() const {
    return m_menu->selectedServer();
}

void ServerCommands::Saveworld1Click() {
    const QString server = selectedServer();
    if (!server.isEmpty())
        m_commands.queueSaveWorld(server);
}

void ServerCommands::DestroyWildDinos1Click() {
    const QString server = selectedServer();
    if (server.isEmpty())
        return;
    if (MessageBoxes::confirm(m_dialogParent,
                              tr("Destroys all untamed creatures on  `%1\u00b4 ?").arg(server)))
        m_commands.queueDestroyWildDinos(server);
}

void ServerCommands::Stop1Click() {
    const QString server = selectedServer();
    if (server.isEmpty())
        return;
    if (MessageBoxes::confirm(m_dialogParent, tr("Stop server:  `%1\u00b4 ?").arg(server)))
        m_commands.queueStopServer(server);
}

void ServerCommands::N1Click() {
    const QString server = selectedServer();
    if (server.isEmpty())
        return;
    emit logSearchRequested(QStringLiteral("banplayer"));
    QString playerId;
    const bool typed =
        MessageBoxes::ask(m_dialogParent, tr("Unban Player @  `%1\u00b4").arg(server),
                          tr("  Steam 64 ID :  "), &playerId);
    emit logSearchRequested(QString());
    if (typed && !m_commands.queueUnban(server, playerId))
        MessageBoxes::inform(m_dialogParent, tr("Invalid SteamID!"));
}

void ServerCommands::Setmessageoftheday1Click() {
    const QString server = selectedServer();
    if (server.isEmpty())
        return;
    QString message;
    if (MessageBoxes::ask(m_dialogParent, tr("Set message of the day @  `%1\u00b4").arg(server),
                          tr("  Message:  "), &message))
        m_commands.queueMessageOfTheDay(server, message);
}
