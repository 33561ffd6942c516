#pragma once

#include <QMenu>

class CommandQueue;
class ScriptFolder;
class ScriptSelectionDialog;
class ServerMenu;

// The server menu's "Script" sub-menu: "Options" (the options dialog's scripts tab), a separator,
// then one item per script of the script folder, following its list. Choosing a script asks when
// it runs on the selected server.
class ScriptMenu final : public QMenu {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScriptMenu)

public:
    ScriptMenu(ScriptFolder *scripts, CommandQueue *queue, ServerMenu *serverMenu,
               QWidget *dialogParent);

    QAction *optionsAction() const { return m_options; }
    // The scripts' items, in list order.
    QList<QAction *> scriptActions() const;
    ScriptSelectionDialog *selectionDialog() const { return m_selection; }

    // The script chooser: the script's file is read, then the "Script selection" dialog runs for
    // the selected server.
    void eigenePopupmenus(const QString &scriptName);

signals:
    void optionsRequested();

private:
    void rebuild(const QStringList &names);

    ScriptFolder *m_scripts;
    ServerMenu *m_serverMenu;
    QWidget *m_dialogParent;
    QAction *m_options;
    QAction *m_separator;
    ScriptSelectionDialog *m_selection;
};
