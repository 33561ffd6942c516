#pragma once

#include "schedules/Schedule.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimeEdit;

// "Schedule": one recurring schedule made or changed: its name, script, servers (or every server),
// time of day, weekdays or an interval, and whether it is on. "Ok" checks the fields and stays
// open, saying what is wrong, until they make a schedule.
class ScheduleDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScheduleDialog)

public:
    explicit ScheduleDialog(QWidget *parent = nullptr);

    // The fields of `schedule`, the scripts and servers to choose from; `takenNames` are the
    // other schedules' names.
    void prepare(const Schedule &schedule, const QStringList &scripts, const QStringList &servers,
                 const QStringList &takenNames);
    // The schedule of the fields; empty `problem` when they make one.
    Schedule schedule(QString *problem) const;

    QLineEdit *nameField() const { return m_name; }
    QComboBox *scriptField() const { return m_script; }
    QCheckBox *allServersBox() const { return m_allServers; }
    QListWidget *serverList() const { return m_servers; }
    QTimeEdit *atField() const { return m_at; }
    QCheckBox *dayBox(int dayOfWeek) const { return m_days[dayOfWeek - 1]; }
    QLineEdit *everyField() const { return m_every; }
    QCheckBox *enabledBox() const { return m_enabled; }
    QPushButton *okButton() const { return m_ok; }

private:
    void confirm();

    QLineEdit *m_name;
    QComboBox *m_script;
    QCheckBox *m_allServers;
    QListWidget *m_servers;
    QTimeEdit *m_at;
    QCheckBox *m_days[7];
    QLineEdit *m_every;
    QCheckBox *m_enabled;
    QPushButton *m_ok;
    QPushButton *m_cancel;
    QStringList m_taken;
};
