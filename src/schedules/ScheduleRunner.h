#pragma once

#include "commands/QueueEntry.h"
#include "schedules/Schedule.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>
#include <QVector>

class CommandQueue;
class ScriptFolder;
class ServerListModel;
struct ScriptFile;

// Runs the recurring schedules of "scripts/schedules.ini" through the command queue: for every
// enabled schedule and each of its servers the next run's entries wait in the queue, and once the
// last of them is due the run after it is queued. A run missed while the console was not running
// is not made up: one line names it and its remaining entries leave the queue.
class ScheduleRunner final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScheduleRunner)

public:
    ScheduleRunner(const QString &programFolder, CommandQueue *queue, ServerListModel *servers,
                   ScriptFolder *scripts, QObject *parent = nullptr);

    QString fileName() const { return m_fileName; }
    const QVector<Schedule> &schedules() const { return m_schedules; }

    // Reads the file; every section that does not parse is named in one line and left out.
    void load();
    // After the queue has loaded: the missed runs, then the next run of everything, then the tick.
    void start();
    void stop();

    // The Schedules page's list: the file is written whole, read back and planned anew; a
    // schedule that did not change keeps its queued run. False with the reason when the file
    // could not be written (the schedules then stay as they were).
    bool save(const QVector<Schedule> &schedules, QString *error = nullptr);

    // The earliest queued run of the schedule over its servers; invalid when none is queued.
    QDateTime nextRun(const QString &scheduleName) const;

public slots:
    // Timer of the schedules, with the scheduler's period: queues the runs that follow the ones
    // whose last entry has come due.
    void tick();
    // Whatever names the server follows the new name; the file is written when that changed it.
    void renameServer(const QString &oldName, const QString &newName);
    // A deleted server leaves every schedule; a schedule without servers is disabled.
    void removeServer(const QString &name);

signals:
    // A line for the program log.
    void message(const QString &text);
    // The list of schedules or a next run changed.
    void schedulesChanged();

private:
    // One schedule on one server: its queued run and that run's entries.
    struct Slot final {
        QString schedule;
        QString server;
        QDateTime run;
        qint64 endKey = 0; // the queue time key of the run's last entry
        QVector<QueueEntry> entries;
    };

    void apply(const QVector<Schedule> &schedules);
    // Adds a slot, with its next run, for every enabled schedule and server that has none.
    void addMissingSlots();
    void plan(Slot *slot, const QDateTime &after);
    void withdraw(const QVector<Slot> &pending);
    void reportMissed();
    bool readScript(const Schedule &schedule, QString *text);
    bool writeFile(const QVector<Schedule> &schedules, QString *error);
    const Schedule *scheduleNamed(const QString &name) const;
    QStringList serverNames() const;

    QString m_fileName;
    CommandQueue *m_queue;
    ServerListModel *m_servers;
    ScriptFolder *m_scripts;
    QVector<Schedule> m_schedules;
    QString m_unread;            // the file's sections that did not read, written back as they were
    QHash<QString, int> m_index; // schedule name -> row of m_schedules
    QVector<Slot> m_slots;
    // The scripts of one planning round, read once each.
    QHash<QString, QString> m_scriptCache;
    QSet<QString> m_unreadable; // schedules whose script problem was said, until it reads again
    // Entries of the queue file that an earlier run of the console queued, taken over at start.
    QSet<QString> m_adoptable;
    QStringList m_removing; // names of the server rows about to leave the list
    QTimer m_timer;
    bool m_started = false;
};
