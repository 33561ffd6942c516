#pragma once

#include "commands/UserCommands.h"

#include <QObject>

class CommandQueue;
class QAction;
class QWidget;
class ServerMenu;

// The server menu's five commands for the selected server. Each asks what it must, then queues a
// "User command" entry due now; the scheduler sends it on its next tick.
class ServerCommands final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServerCommands)

public:
    // The commands join `menu` in this order: save, destroy wild creatures, stop, unban, message
    // of the day. Questions and input boxes open over `dialogParent`.
    ServerCommands(CommandQueue *queue, ServerMenu *menu, QWidget *dialogParent);

    QAction *saveWorldAction() const { return m_saveWorld; }
    QAction *destroyWildDinosAction() const { return m_destroyWildDinos; }
    QAction *stopAction() const { return m_stop; }
    QAction *unbanAction() const { return m_unban; }
    QAction *messageOfTheDayAction() const { return m_messageOfTheDay; }

    void Saveworld1Click();
    void DestroyWildDinos1Click();
    void Stop1Click();
    // Shows the earlier bans in the program log while the id (a SteamID64 or an EOS id) is
    // typed.
    void N1Click();
    void Setmessageoftheday1Click();

signals:
    // The program log's search text: the ban lines while the unban box is open, then none.
    void logSearchRequested(const QString &text);

private:
    QString selectedServer() const;

    UserCommands m_commands;
    ServerMenu *m_menu;
    QWidget *m_dialogParent;
    QAction *m_saveWorld;
    QAction *m_destroyWildDinos;
    QAction *m_stop;
    QAction *m_unban;
    QAction *m_messageOfTheDay;
};
