#pragma once

#include <QWidget>

class Console;
class QPushButton;
class QTreeWidget;
class ScheduleDialog;
class ScheduleRunner;
class ScriptFolder;
class ServerListModel;

// The " Schedules " tab of the options dialog: the recurring schedules with their script, servers,
// times and next run, and "New", "Edit" (also a double-click), "Delete" and "Enable"/"Disable".
// Every change is written to "scripts/schedules.ini" at once; a failed write is shown and the
// schedules stay as they were.
class SchedulesPage final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SchedulesPage)

public:
    explicit SchedulesPage(Console *console, QWidget *parent = nullptr);

    void refresh();

    QTreeWidget *list() const { return m_list; }
    QPushButton *newButton() const { return m_new; }
    QPushButton *editButton() const { return m_edit; }
    QPushButton *deleteButton() const { return m_delete; }
    QPushButton *enableButton() const { return m_enable; }
    ScheduleDialog *dialog() const { return m_dialog; }

    // The selected schedule's row in the runner's list; -1 when none is selected.
    int selectedRow() const;

    void newSchedule();
    void editSchedule();
    // Asks first.
    void deleteSchedule();
    void toggleSchedule();

protected:
    // Delete asks to delete the selected schedule, Enter edits it.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void updateButtons();
    void openDialog(int row);

    ScheduleRunner *m_runner;
    ScriptFolder *m_scripts;
    ServerListModel *m_servers;
    QTreeWidget *m_list;
    QPushButton *m_new;
    QPushButton *m_edit;
    QPushButton *m_delete;
    QPushButton *m_enable;
    ScheduleDialog *m_dialog;
};
