#include "commands/CommandQueue.h"

#include "base/Clock.h"
#include "base/WholeFile.h"
#include "commands/CommandLogLines.h"
#include "commands/QueueTime.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
const QString kRelativeName = QStringLiteral("scripts/cmdlist.kvl");
// Entries due this soon after start-up are dropped rather than sent in a rush.
constexpr int kStartUpMarginSeconds = 20;
// The queue view's widths when neither the file nor the layout gave any.
constexpr QueueFile::ColumnWidths kDefaultColumnWidths = {200, 150, 200, 150};

// What an entry stored "In progress.." was sending.
CommandRequest inFlightRequest(const QueueEntry &entry) {
    CommandRequest request;
    request.serverName = entry.server;
    request.command = entry.rconCommand();
    if (request.command.isNull())
        request.command = entry.command;
    request.origin = CommandOrigin::Queue;
    return request;
}

QString deleteLine(const QueueEntry &entry, const char *reason) {
    return QStringLiteral("Delete scriptcommand: `") + entry.scriptName + QStringLiteral("´ on `") +
           entry.timeField + QStringLiteral("´ ") + QLatin1String(reason);
}
} // namespace

CommandQueue::CommandQueue(const QString &programFolder, QObject *parent)
    : QObject(parent)
    , m_fileName(programFolder + QLatin1Char('/') + kRelativeName) {
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(0);
    connect(&m_saveTimer, &QTimer::timeout, this, &CommandQueue::SaveQueue);
    // Every change of the queue, also a re-ordering by the view's header, reaches the file.
    connect(this, &CommandQueue::entriesInserted, this, &CommandQueue::scheduleSave);
    connect(this, &CommandQueue::entriesRemoved, this, &CommandQueue::scheduleSave);
    connect(this, &CommandQueue::entryChanged, this, &CommandQueue::scheduleSave);
    connect(this, &CommandQueue::reset, this, &CommandQueue::scheduleSave);
    connect(this, &CommandQueue::reordered, this, &CommandQueue::scheduleSave);
}

void CommandQueue::QueueAppend(const QString &scriptName, const QString &command,
                               const QDateTime &startTime, const QString &serverName) {
    appendEntries({QueueEntry(scriptName, command, QueueTime::format(startTime), serverName)});
}

void CommandQueue::appendEntries(const QVector<QueueEntry> &entries) {
    if (entries.isEmpty())
        return;
    const int first = count();
    const int last = first + int(entries.size()) - 1;
    emit entriesAboutToBeInserted(first, last);
    m_entries += entries;
    emit entriesInserted(first, last);
}

void CommandQueue::removeEntry(int row) {
    if (row < 0 || row >= count())
        return;
    emit entriesAboutToBeRemoved(row, row);
    m_entries.removeAt(row);
    emit entriesRemoved(row, row);
}

int CommandQueue::removeServerEntries(const QString &server) {
    return removeEntries([&server](const QueueEntry &entry) { return entry.server == server; });
}

int CommandQueue::removeEntries(const std::function<bool(const QueueEntry &)> &match) {
    int removed = 0;
    // From the end, so that each removal is one contiguous block of rows.
    for (int row = count() - 1; row >= 0; --row) {
        if (!match(m_entries.at(row)))
            continue;
        int first = row;
        while (first > 0 && match(m_entries.at(first - 1)))
            --first;
        emit entriesAboutToBeRemoved(first, row);
        m_entries.remove(first, row - first + 1);
        emit entriesRemoved(first, row);
        removed += row - first + 1;
        row = first;
    }
    return removed;
}

void CommandQueue::removeAll() {
    if (m_entries.isEmpty())
        return;
    emit aboutToBeReset();
    m_entries.clear();
    emit reset();
}

int CommandQueue::renameServer(const QString &oldName, const QString &newName) {
    int renamed = 0;
    for (int row = 0; row < count(); ++row) {
        if (m_entries.at(row).server != oldName)
            continue;
        m_entries[row].server = newName;
        ++renamed;
        emit entryChanged(row);
    }
    return renamed;
}

void CommandQueue::setTicket(int row, quint64 ticket) {
    m_entries[row].ticket = ticket;
}

void CommandQueue::markStarted(int row) {
    setTimeField(row, QueueEntry::inProgressText());
}

int CommandQueue::rowOfTicket(quint64 ticket) const {
    if (ticket == 0)
        return -1;
    for (int row = 0; row < count(); ++row) {
        if (m_entries.at(row).ticket == ticket)
            return row;
    }
    return -1;
}

void CommandQueue::setTimeField(int row, const QString &text) {
    m_entries[row].setTimeField(text);
    emit entryChanged(row);
}

void CommandQueue::reorder(const QVector<int> &rows) {
    Q_ASSERT(rows.size() == m_entries.size());
    emit aboutToBeReordered();
    QVector<QueueEntry> ordered;
    ordered.reserve(rows.size());
    for (int row : rows)
        ordered.append(m_entries.at(row));
    m_entries = std::move(ordered);
    emit reordered(rows);
}

void CommandQueue::LoadQueue() {
    if (m_loaded)
        return;
    QByteArray bytes;
    QString reason;
    const WholeFile::ReadResult read = WholeFile::read(m_fileName, &bytes, &reason);
    if (read == WholeFile::ReadResult::Failed)
        emit message(QStringLiteral("Failed to read ") + kRelativeName + QStringLiteral(": ") +
                     reason);
    if (read == WholeFile::ReadResult::Read) {
        QueueFile::ReadResult file = QueueFile::read(bytes);
        if (file.hasColumnWidths)
            m_loadedWidths = file.columnWidths;
        if (file.isDamaged()) {
            const QString counted =
                file.announced >= 0 ? QStringLiteral("%1 of %2 commands read")
                                          .arg(file.entries.size())
                                          .arg(file.announced)
                                    : QStringLiteral("%1 commands read").arg(file.entries.size());
            emit message(QStringLiteral("Queue file ") + kRelativeName +
                         QStringLiteral(" damaged, ") + counted +
                         QStringLiteral(", the rest skipped: ") + file.problem);
        }
        const qint64 limit = QueueTime::key(Clock::now().addSecs(kStartUpMarginSeconds));
        QVector<QueueEntry> kept;
        kept.reserve(file.entries.size());
        for (const QueueEntry &entry : std::as_const(file.entries)) {
            if (entry.startKey == 0) {
                emit message(deleteLine(entry, "(Time syntax error)"));
                if (entry.timeField == QueueEntry::inProgressText())
                    emit message(CommandLogLines::notConfirmed(inFlightRequest(entry)));
            } else if (entry.startKey <= limit)
                emit message(deleteLine(entry, "(Time exceeded)"));
            else
                kept << entry;
        }
        emit aboutToBeReset();
        m_entries = std::move(kept);
        emit reset();
    }
    // The dropped entries leave the file with the next change of the queue.
    m_loaded = true;
}

void CommandQueue::setColumnWidthSource(std::function<QueueFile::ColumnWidths()> source) {
    m_widthSource = std::move(source);
}

QueueFile::ColumnWidths CommandQueue::columnWidthsToWrite() const {
    if (m_widthSource)
        return m_widthSource();
    return m_loadedWidths.value_or(kDefaultColumnWidths);
}

void CommandQueue::scheduleSave() {
    if (m_loaded)
        m_saveTimer.start();
}

bool CommandQueue::SaveQueue() {
    m_saveTimer.stop();
    // Before the load, an empty queue would delete the file it has not read yet.
    if (!m_loaded)
        return false;
    QString reason;
    bool ok = true;
    if (m_entries.isEmpty()) {
        QFile file(m_fileName);
        if (file.exists() && !file.remove()) {
            ok = false;
            reason = file.errorString();
        }
    } else if (!QDir().mkpath(QFileInfo(m_fileName).path())) {
        ok = false;
        reason = tr("The folder %1 cannot be created").arg(QFileInfo(m_fileName).path());
    } else {
        ok = WholeFile::write(m_fileName, QueueFile::write(m_entries, columnWidthsToWrite()),
                              &reason);
    }
    reportSave(ok, reason);
    emit saved(ok);
    return ok;
}

void CommandQueue::reportSave(bool ok, const QString &reason) {
    // Said once until a write works again, so a full disk does not flood the log.
    if (!ok && !m_saveFailing)
        emit message(QStringLiteral("Failed to save ") + kRelativeName + QStringLiteral(": ") +
                     reason);
    m_saveFailing = !ok;
}
