#include "commands/CommandQueue.h"

#include "base/Clock.h"
#include "base/IconIndex.h"
#include "base/SteamId.h"
#include "base/WholeFile.h"
#include "commands/QueueTime.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
const QString kRelativeName = QStringLiteral("scripts/cmdlist.kvl");
// Entries due this soon after start-up are dropped rather than sent in a rush.
constexpr int kStartUpMarginSeconds = 20;

QString deleteLine(const QueueEntry &entry, const char *reason) {
    return QStringLiteral("Delete scriptcommand: `") + entry.scriptName + QStringLiteral("´ on `") +
           entry.timeField + QStringLiteral("´ ") + QLatin1String(reason);
}
} // namespace

CommandQueue::CommandQueue(const QString &programFolder, QObject *parent)
    : SortableTableModel(parent)
    , m_folder(programFolder)
    , m_fileName(programFolder + QLatin1Char('/') + kRelativeName) {
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(0);
    connect(&m_saveTimer, &QTimer::timeout, this, &CommandQueue::SaveQueue);
    // Every change of the queue, also a later re-ordering by the view, reaches the file.
    connect(this, &QAbstractItemModel::rowsInserted, this, &CommandQueue::scheduleSave);
    connect(this, &QAbstractItemModel::rowsRemoved, this, &CommandQueue::scheduleSave);
    connect(this, &QAbstractItemModel::rowsMoved, this, &CommandQueue::scheduleSave);
    connect(this, &QAbstractItemModel::dataChanged, this, &CommandQueue::scheduleSave);
    connect(this, &QAbstractItemModel::layoutChanged, this, &CommandQueue::scheduleSave);
    connect(this, &QAbstractItemModel::modelReset, this, &CommandQueue::scheduleSave);
}

void CommandQueue::QueueAppend(const QString &scriptName, const QString &command,
                               const QDateTime &startTime, const QString &serverName) {
    appendEntries({QueueEntry(scriptName, command, QueueTime::format(startTime), serverName)});
}

void CommandQueue::appendEntries(const QVector<QueueEntry> &entries) {
    if (entries.isEmpty())
        return;
    beginInsertRows(QModelIndex(), count(), count() + int(entries.size()) - 1);
    m_entries += entries;
    endInsertRows();
}

ScriptSchedule::Result CommandQueue::queueScript(const QString &scriptName,
                                                 const QString &scriptText, const QDateTime &start,
                                                 const QString &server) {
    ScriptSchedule::Result result = ScriptSchedule::build(scriptName, scriptText, start, server);
    if (result.ok())
        appendEntries(result.entries);
    return result;
}

void CommandQueue::appendUserCommand(const QString &server, const QString &command) {
    QueueAppend(QueueEntry::userCommandName(), command, Clock::now(), server);
}

void CommandQueue::queueSaveWorld(const QString &server) {
    appendUserCommand(server, QStringLiteral("cmd:saveworld"));
}

void CommandQueue::queueDestroyWildDinos(const QString &server) {
    appendUserCommand(server, QStringLiteral("cmd:DestroyWildDinos"));
}

void CommandQueue::queueStopServer(const QString &server) {
    appendUserCommand(server, QStringLiteral("cmd:doexit"));
}

void CommandQueue::queueMessageOfTheDay(const QString &server, const QString &message) {
    appendUserCommand(server, QStringLiteral("cmd:SetMessageOfTheDay ") + message);
}

bool CommandQueue::queueUnban(const QString &server, const QString &steamId) {
    if (!SteamId::isTyped(steamId))
        return false;
    appendUserCommand(server, QStringLiteral("cmd:UnbanPlayer ") + steamId);
    return true;
}

void CommandQueue::removeEntry(int row) {
    if (row < 0 || row >= count())
        return;
    beginRemoveRows(QModelIndex(), row, row);
    m_entries.removeAt(row);
    endRemoveRows();
}

int CommandQueue::removeServerEntries(const QString &server) {
    int removed = 0;
    // From the end, so that each removal is one contiguous block of rows.
    for (int row = count() - 1; row >= 0; --row) {
        if (m_entries.at(row).server != server)
            continue;
        int first = row;
        while (first > 0 && m_entries.at(first - 1).server == server)
            --first;
        beginRemoveRows(QModelIndex(), first, row);
        m_entries.remove(first, row - first + 1);
        endRemoveRows();
        removed += row - first + 1;
        row = first;
    }
    return removed;
}

void CommandQueue::removeAll() {
    if (m_entries.isEmpty())
        return;
    beginResetModel();
    m_entries.clear();
    endResetModel();
}

int CommandQueue::renameServer(const QString &oldName, const QString &newName) {
    int renamed = 0;
    for (int row = 0; row < count(); ++row) {
        if (m_entries.at(row).server != oldName)
            continue;
        m_entries[row].server = newName;
        ++renamed;
        emit dataChanged(index(row, ServerColumn), index(row, ServerColumn));
    }
    return renamed;
}

void CommandQueue::headerClicked(int column) {
    if (column < 0 || column >= ColumnCount)
        return;
    m_sort.click(column);
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    applySort();
}

void CommandQueue::sortEntries(int column, Qt::SortOrder order) {
    if (column < 0 || column >= ColumnCount)
        return;
    m_sort.set(column, order);
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    applySort();
}

void CommandQueue::applySort() {
    const int column = m_sort.column();
    // "dd.mm.yyyy" in text order would put the first of every month together.
    const QVector<int> rows =
        column == StartTimeColumn
            ? m_sort.sortedRowsByKey(count(),
                                     [this](int row) { return m_entries.at(row).startKey; })
            : m_sort.sortedRows(
                  count(), [this, column](int row) { return index(row, column).data().toString(); },
                  false);
    permuteRows(rows, [this, &rows] { m_entries = inRowOrder(m_entries, rows); });
}

void CommandQueue::markStarted(int row, quint64 ticket) {
    m_entries[row].ticket = ticket;
    setTimeField(row, QueueEntry::inProgressText());
}

void CommandQueue::setTimeField(int row, const QString &text) {
    m_entries[row].setTimeField(text);
    emit dataChanged(index(row, StartTimeColumn), index(row, StartTimeColumn));
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
            m_columnWidths = file.columnWidths;
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
            if (entry.startKey == 0)
                emit message(deleteLine(entry, "(Time syntax error)"));
            else if (entry.startKey <= limit)
                emit message(deleteLine(entry, "(Time exceeded)"));
            else
                kept << entry;
        }
        beginResetModel();
        m_entries = std::move(kept);
        endResetModel();
    }
    // The dropped entries leave the file with the next change of the queue.
    m_loaded = true;
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
        ok = WholeFile::write(m_fileName, QueueFile::write(m_entries, m_columnWidths), &reason);
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

int CommandQueue::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : count();
}

int CommandQueue::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CommandQueue::data(const QModelIndex &index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const QueueEntry &entry = m_entries.at(index.row());
    if (role == IconIndexRole)
        return index.column() == ScriptNameColumn ? QVariant(int(IconIndex::QueuedCommand))
                                                  : QVariant();
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case ScriptNameColumn:
        return entry.scriptName;
    case CommandColumn:
        return entry.command;
    case StartTimeColumn:
        return entry.timeField;
    case ServerColumn:
        return entry.server;
    default:
        return {};
    }
}

QVariant CommandQueue::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == IconIndexRole)
        return m_sort.headerIcon(section);
    if (role != Qt::DisplayRole)
        return {};
    static const char *const captions[ColumnCount] = {
        QT_TR_NOOP("Script name"), QT_TR_NOOP("Script command"), QT_TR_NOOP("Start time"),
        QT_TR_NOOP("Server")};
    return tr(captions[section]);
}
