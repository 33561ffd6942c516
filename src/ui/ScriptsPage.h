#pragma once

#include <QWidget>

class Console;
class QPushButton;
class QTreeWidget;
class ScriptEditor;
class ScriptFolder;

// The " Scripts " tab of the options dialog: the scripts by name, with "New", "Copy", "Edit"
// (also a double-click) and "Delete". The list follows the script folder's list, as the server
// menu's "Script" sub-menu does.
class ScriptsPage final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScriptsPage)

public:
    explicit ScriptsPage(Console *console, QWidget *parent = nullptr);

    // Every time the dialog opens: the editor forgets the script it last opened, and the script
    // list is read again.
    void refresh();

    QTreeWidget *list() const { return m_list; }
    QPushButton *newButton() const { return m_new; }
    QPushButton *copyButton() const { return m_copy; }
    QPushButton *editButton() const { return m_edit; }
    QPushButton *deleteButton() const { return m_delete; }
    ScriptEditor *editor() const { return m_editor; }

    // The selected script's name; empty when none is selected.
    QString selectedScript() const;

    void newScript();
    // A copy under the name followed by " - copy" (again while that name is taken).
    void copyScript();
    void editScript();
    // Asks first.
    void deleteScript();

private:
    void fill(const QStringList &names);
    void updateButtons();

    ScriptFolder *m_scripts;
    QTreeWidget *m_list;
    QPushButton *m_new;
    QPushButton *m_copy;
    QPushButton *m_edit;
    QPushButton *m_delete;
    ScriptEditor *m_editor;
};
