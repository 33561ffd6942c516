#include "ui/ScriptMenu.h"

#include "commands/ScriptFile.h"
#include "commands/ScriptFolder.h"
#include "ui/MessageBoxes.h"
#include "ui/ScriptSelectionDialog.h"
#include "ui/ServerMenu.h"

#include <algorithm>

ScriptMenu::ScriptMenu(ScriptFolder *scripts, CommandQueue *queue, ServerMenu *serverMenu,
                       QWidget *dialogParent)
    : QMenu(tr("Script"), serverMenu)
    , m_scripts(scripts)
    , m_serverMenu(serverMenu)
    , m_dialogParent(dialogParent)
    , m_options(addAction(tr("Options"), this, &ScriptMenu::optionsRequested))
    , m_separator(addSeparator())
    , m_selection(new ScriptSelectionDialog(queue, dialogParent)) {
    setObjectName(QStringLiteral("scriptMenu"));
    connect(scripts, &ScriptFolder::listChanged, this, &ScriptMenu::rebuild);
    rebuild(scripts->names());
}

QList<QAction *> ScriptMenu::scriptActions() const {
    QList<QAction *> items = actions();
    items.erase(items.begin(), std::find(items.begin(), items.end(), m_separator) + 1);
    return items;
}

void ScriptMenu::rebuild(const QStringList &names) {
    const QList<QAction *> old = scriptActions();
    for (QAction *action : old) {
        removeAction(action);
        // The item may be the one whose choice is still running.
        action->deleteLater();
    }
    for (const QString &name : names) {
        // A "&" in a name is shown, not taken as the item's shortcut letter.
        QString caption = name;
        caption.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction *action = addAction(caption);
        connect(action, &QAction::triggered, this, [this, name] { eigenePopupmenus(name); });
    }
}

void ScriptMenu::eigenePopupmenus(const QString &scriptName) {
    const QString server = m_serverMenu->selectedServer();
    if (server.isEmpty())
        return;
    ScriptFile script;
    QString error;
    if (!m_scripts->read(scriptName, &script, &error)) {
        MessageBoxes::warn(m_dialogParent,
                           tr("The script `%1\u00b4 cannot be read.").arg(scriptName), error);
        return;
    }
    m_selection->run(server, scriptName, script.text);
}
