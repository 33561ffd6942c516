#include "schedules/ScheduleRunner.h"

#include "base/Clock.h"
#include "base/Intervals.h"
#include "base/WholeFile.h"
#include "commands/CommandQueue.h"
#include "commands/QueueTime.h"
#include "commands/ScriptFile.h"
#include "commands/ScriptFolder.h"
#include "commands/ScriptSchedule.h"
#include "schedules/ScheduleFile.h"
#include "schedules/ScheduleTime.h"
#include "servers/ServerListModel.h"

#include <QDir>
#include <QFileInfo>

#include <limits>
#include <utility>

namespace {
const QString kRelativeName = QStringLiteral("scripts/schedules.ini");
constexpr qint64 kNever = std::numeric_limits<qint64>::max();

QString entryKey(const QueueEntry &entry) {
    return entry.server + QLatin1Char('\n') + entry.scriptName + QLatin1Char('\n') + entry.command +
           QLatin1Char('\n') + entry.timeField;
}

QDateTime entryTime(const QueueEntry &entry) {
    return QDateTime::fromString(entry.timeField.left(19), QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

QString runText(const QDateTime &run) {
    if (run.date() == Clock::today())
        return run.toString(QStringLiteral("HH:mm"));
    return run.toString(QStringLiteral("dd.MM.yyyy HH:mm"));
}
} // namespace

ScheduleRunner::ScheduleRunner(const QString &programFolder, CommandQueue *queue,
                               ServerListModel *servers, ScriptFolder *scripts, QObject *parent)
    : QObject(parent)
    , m_fileName(programFolder + QLatin1Char('/') + kRelativeName)
    , m_queue(queue)
    , m_servers(servers)
    , m_scripts(scripts) {
    m_timer.setInterval(Intervals::instance().schedulerMs);
    connect(&m_timer, &QTimer::timeout, this, &ScheduleRunner::tick);
    connect(m_servers, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int last) {
                for (int row = first; row <= last; ++row)
                    m_removing << m_servers->entry(row).settings.name;
            });
    connect(m_servers, &QAbstractItemModel::rowsRemoved, this, [this] {
        const QStringList removing = std::exchange(m_removing, {});
        for (const QString &name : removing) {
            if (m_servers->rowOfName(name) < 0)
                removeServer(name);
        }
    });
    connect(m_servers, &QAbstractItemModel::rowsInserted, this, &ScheduleRunner::addMissingSlots);
    connect(m_servers, &QAbstractItemModel::modelReset, this, &ScheduleRunner::addMissingSlots);
}

void ScheduleRunner::load() {
    QByteArray bytes;
    QString reason;
    const WholeFile::ReadResult read = WholeFile::read(m_fileName, &bytes, &reason);
    if (read == WholeFile::ReadResult::Failed) {
        emit message(QStringLiteral("Failed to read ") + kRelativeName + QStringLiteral(": ") +
                     reason);
        return;
    }
    const ScheduleFile::ReadResult file = ScheduleFile::parse(bytes);
    for (const QString &problem : file.problems)
        emit message(problem);
    m_unread = file.unread;
    // A name typed by hand that matches no server would otherwise just never run.
    const QStringList known = serverNames();
    for (const Schedule &schedule : file.schedules) {
        for (const QString &server : schedule.servers) {
            if (schedule.enabled && !known.contains(server))
                emit message(QStringLiteral("Schedule `") + schedule.name +
                             QStringLiteral("´: no server `") + server + QStringLiteral("´"));
        }
    }
    apply(file.schedules);
}

void ScheduleRunner::start() {
    if (m_started)
        return;
    m_started = true;
    for (const QueueEntry &entry : m_queue->entries()) {
        if (!entry.hasStateText())
            m_adoptable.insert(entryKey(entry));
    }
    m_slots.clear();
    addMissingSlots();
    reportMissed();
    m_adoptable.clear();
    m_timer.start();
}

void ScheduleRunner::stop() {
    m_timer.stop();
    m_started = false;
}

bool ScheduleRunner::save(const QVector<Schedule> &schedules, QString *error) {
    QString reason;
    if (!writeFile(schedules, &reason)) {
        emit message(QStringLiteral("Failed to save ") + kRelativeName + QStringLiteral(": ") +
                     reason);
        if (error)
            *error = reason;
        return false;
    }
    load();
    return true;
}

bool ScheduleRunner::writeFile(const QVector<Schedule> &schedules, QString *error) {
    const QString folder = QFileInfo(m_fileName).path();
    if (!QDir().mkpath(folder)) {
        *error = tr("The folder %1 cannot be created").arg(folder);
        return false;
    }
    return WholeFile::write(m_fileName, ScheduleFile::format(schedules, m_unread), error);
}

QDateTime ScheduleRunner::nextRun(const QString &scheduleName) const {
    QDateTime earliest;
    for (const Slot &slot : m_slots) {
        if (slot.schedule == scheduleName && slot.run.isValid() &&
            (!earliest.isValid() || slot.run < earliest))
            earliest = slot.run;
    }
    return earliest;
}

void ScheduleRunner::apply(const QVector<Schedule> &schedules) {
    QVector<Slot> kept, withdrawn;
    for (const Slot &slot : std::as_const(m_slots)) {
        const Schedule *old = scheduleNamed(slot.schedule);
        bool same = false;
        for (const Schedule &schedule : schedules) {
            if (old && schedule == *old && schedule.enabled && schedule.appliesTo(slot.server))
                same = true;
        }
        (same ? kept : withdrawn) << slot;
    }
    withdraw(withdrawn);
    m_slots = kept;
    m_schedules = schedules;
    m_index.clear();
    for (int row = 0; row < m_schedules.size(); ++row)
        m_index.insert(m_schedules.at(row).name, row);
    addMissingSlots();
    emit schedulesChanged();
}

void ScheduleRunner::addMissingSlots() {
    if (!m_started)
        return;
    QSet<QString> present;
    for (const Slot &slot : std::as_const(m_slots))
        present.insert(slot.schedule + QLatin1Char('\n') + slot.server);
    const QStringList servers = serverNames();
    const QDateTime now = Clock::now();
    bool added = false;
    for (const Schedule &schedule : std::as_const(m_schedules)) {
        if (!schedule.enabled)
            continue;
        for (const QString &server : servers) {
            if (!schedule.appliesTo(server) ||
                present.contains(schedule.name + QLatin1Char('\n') + server))
                continue;
            Slot slot;
            slot.schedule = schedule.name;
            slot.server = server;
            plan(&slot, now);
            m_slots << slot;
            added = true;
        }
    }
    m_scriptCache.clear();
    if (added)
        emit schedulesChanged();
}

void ScheduleRunner::tick() {
    const QDateTime now = Clock::now();
    const qint64 nowKey = QueueTime::key(now);
    bool planned = false;
    for (Slot &slot : m_slots) {
        if (slot.endKey > nowKey)
            continue;
        // A run whose script outlasts the interval is followed by the next one still ahead.
        plan(&slot, slot.run.isValid() && slot.run > now ? slot.run : now);
        planned = true;
    }
    if (planned) {
        m_scriptCache.clear();
        emit schedulesChanged();
    }
}

void ScheduleRunner::plan(Slot *slot, const QDateTime &after) {
    slot->entries.clear();
    slot->endKey = kNever;
    const Schedule *schedule = scheduleNamed(slot->schedule);
    slot->run = schedule ? ScheduleTime::next(*schedule, after) : QDateTime();
    if (!slot->run.isValid())
        return;
    slot->endKey = QueueTime::key(slot->run);
    QString text;
    if (!readScript(*schedule, &text))
        return;
    const ScriptSchedule::Result built =
        ScriptSchedule::build(schedule->script, text, slot->run, slot->server);
    if (!built.ok()) {
        if (!m_unreadable.contains(schedule->name))
            emit message(QStringLiteral("Schedule `") + schedule->name + QStringLiteral("´: ") +
                         built.message);
        m_unreadable.insert(schedule->name);
        return;
    }
    slot->entries = built.entries;
    for (const QueueEntry &entry : std::as_const(slot->entries))
        slot->endKey = qMax(slot->endKey, entry.startKey);
    if (m_adoptable.isEmpty()) {
        m_queue->appendEntries(slot->entries);
        return;
    }
    // At start-up the queue file may hold this run already, whole or without the entries the
    // load dropped as due: only what is missing joins the queue.
    QVector<QueueEntry> missing;
    for (const QueueEntry &entry : std::as_const(slot->entries)) {
        if (!m_adoptable.contains(entryKey(entry)))
            missing << entry;
    }
    m_queue->appendEntries(missing);
}

bool ScheduleRunner::readScript(const Schedule &schedule, QString *text) {
    const auto cached = m_scriptCache.constFind(schedule.script);
    if (cached != m_scriptCache.constEnd()) {
        *text = cached.value();
        return !text->isNull();
    }
    ScriptFile file;
    QString reason;
    if (!m_scripts->read(schedule.script, &file, &reason)) {
        if (!m_unreadable.contains(schedule.name))
            emit message(QStringLiteral("Schedule `") + schedule.name +
                         QStringLiteral("´: script `") + schedule.script +
                         QStringLiteral("´ cannot be read: ") + reason);
        m_unreadable.insert(schedule.name);
        m_scriptCache.insert(schedule.script, QString());
        return false;
    }
    m_unreadable.remove(schedule.name);
    // Never null, so that an empty script is told apart from an unreadable one in the cache.
    *text = file.text.isNull() ? QStringLiteral("") : file.text;
    m_scriptCache.insert(schedule.script, *text);
    return true;
}

void ScheduleRunner::withdraw(const QVector<Slot> &pending) {
    // Only runs that have not begun leave the queue: a started script finishes.
    const qint64 nowKey = QueueTime::key(Clock::now());
    QSet<QString> keys;
    for (const Slot &slot : pending) {
        if (slot.entries.isEmpty() || slot.entries.first().startKey <= nowKey)
            continue;
        for (const QueueEntry &entry : slot.entries)
            keys.insert(entryKey(entry));
    }
    if (keys.isEmpty())
        return;
    for (int row = m_queue->count() - 1; row >= 0; --row) {
        const QueueEntry &entry = m_queue->entry(row);
        if (!entry.hasStateText() && keys.contains(entryKey(entry)))
            m_queue->removeEntry(row);
    }
}

void ScheduleRunner::reportMissed() {
    const QVector<QueueEntry> &expired = m_queue->expiredAtLoad();
    if (expired.isEmpty())
        return;
    const QDateTime now = Clock::now();
    QVector<Slot> missed;
    for (const Slot &slot : std::as_const(m_slots)) {
        const Schedule *schedule = scheduleNamed(slot.schedule);
        QString text;
        if (!schedule || !readScript(*schedule, &text))
            continue;
        // The script's entries from a fixed start give each command's offset into a run.
        const QDateTime origin(QDate(2000, 1, 1), QTime(0, 0), Qt::UTC);
        const ScriptSchedule::Result shape =
            ScriptSchedule::build(schedule->script, text, origin, slot.server);
        QDateTime latest;
        for (const QueueEntry &entry : expired) {
            if (entry.server != slot.server || entry.scriptName != schedule->script)
                continue;
            const QDateTime at = entryTime(entry);
            for (const QueueEntry &step : shape.entries) {
                if (step.command != entry.command)
                    continue;
                const QDateTime run = at.addSecs(-origin.secsTo(entryTime(step)));
                if (run <= now && ScheduleTime::isRun(*schedule, run) &&
                    (!latest.isValid() || run > latest))
                    latest = run;
            }
        }
        if (!latest.isValid())
            continue;
        emit message(QStringLiteral("Schedule `") + schedule->name + QStringLiteral("´ missed ") +
                     runText(latest) + QStringLiteral(" on `") + slot.server + QStringLiteral("´"));
        Slot gone = slot;
        gone.entries = ScriptSchedule::build(schedule->script, text, latest, slot.server).entries;
        missed << gone;
    }
    // What is left of a missed run does not run late either.
    const qint64 nowKey = QueueTime::key(now);
    QSet<QString> keys;
    for (const Slot &slot : std::as_const(missed)) {
        for (const QueueEntry &entry : slot.entries) {
            if (entry.startKey > nowKey)
                keys.insert(entryKey(entry));
        }
    }
    for (int row = m_queue->count() - 1; row >= 0 && !keys.isEmpty(); --row) {
        if (keys.contains(entryKey(m_queue->entry(row))))
            m_queue->removeEntry(row);
    }
    m_scriptCache.clear();
}

void ScheduleRunner::renameServer(const QString &oldName, const QString &newName) {
    bool changed = false;
    QVector<Schedule> schedules = m_schedules;
    for (Schedule &schedule : schedules) {
        const int at = schedule.servers.indexOf(oldName);
        if (at < 0)
            continue;
        if (schedule.servers.contains(newName))
            schedule.servers.removeAt(at);
        else
            schedule.servers[at] = newName;
        changed = true;
    }
    for (Slot &slot : m_slots) {
        if (slot.server != oldName)
            continue;
        slot.server = newName;
        for (QueueEntry &entry : slot.entries)
            entry.server = newName;
    }
    if (!changed)
        return;
    m_schedules = schedules; // the slots already follow, so nothing is planned again
    QString reason;
    if (!writeFile(m_schedules, &reason))
        emit message(QStringLiteral("Failed to save ") + kRelativeName + QStringLiteral(": ") +
                     reason);
    emit schedulesChanged();
}

void ScheduleRunner::removeServer(const QString &name) {
    QVector<Slot> gone, kept;
    for (const Slot &slot : std::as_const(m_slots))
        (slot.server == name ? gone : kept) << slot;
    withdraw(gone);
    m_slots = kept;
    bool changed = false;
    for (Schedule &schedule : m_schedules) {
        if (!schedule.servers.removeAll(name))
            continue;
        changed = true;
        if (!schedule.allServers && schedule.servers.isEmpty() && schedule.enabled) {
            schedule.enabled = false;
            emit message(QStringLiteral("Schedule `") + schedule.name +
                         QStringLiteral("´ disabled: its last server `") + name +
                         QStringLiteral("´ was deleted"));
        }
    }
    if (changed) {
        QString reason;
        if (!writeFile(m_schedules, &reason))
            emit message(QStringLiteral("Failed to save ") + kRelativeName + QStringLiteral(": ") +
                         reason);
    }
    if (changed || !gone.isEmpty())
        emit schedulesChanged();
}

const Schedule *ScheduleRunner::scheduleNamed(const QString &name) const {
    const auto row = m_index.constFind(name);
    return row == m_index.constEnd() ? nullptr : &m_schedules.at(row.value());
}

QStringList ScheduleRunner::serverNames() const {
    QStringList names;
    for (const ServerEntry &entry : m_servers->entries())
        names << entry.settings.name;
    return names;
}
