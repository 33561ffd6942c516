#pragma once

#include "base/ListSort.h"
#include "base/SortableTableModel.h"
#include "commands/QueueEntry.h"
#include "commands/QueueFile.h"
#include "commands/ScriptSchedule.h"

#include <QDateTime>
#include <QTimer>
#include <QVector>

// The command queue: every command waiting to be sent, in the order the scheduler walks it and
// the queue view shows it, kept in "scripts/cmdlist.kvl". Once loaded, the file is written after
// every change of the queue, once per event-loop turn, so a crash loses no scheduled command.
class CommandQueue final : public SortableTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CommandQueue)

public:
    enum Column { ScriptNameColumn, CommandColumn, StartTimeColumn, ServerColumn, ColumnCount };
    // The IconIndex of an entry in column 0.
    enum Role { IconIndexRole = Qt::UserRole + 1 };

    explicit CommandQueue(const QString &programFolder, QObject *parent = nullptr);

    QString fileName() const { return m_fileName; }

    int count() const { return int(m_entries.size()); }
    const QueueEntry &entry(int row) const { return m_entries.at(row); }
    const QVector<QueueEntry> &entries() const { return m_entries; }

    // Appends one entry; the start time is written in the queue's time format.
    void QueueAppend(const QString &scriptName, const QString &command, const QDateTime &startTime,
                     const QString &serverName);
    void appendEntries(const QVector<QueueEntry> &entries);
    // A script for `server` from `start` on: all of its entries, or none and the reason.
    ScriptSchedule::Result queueScript(const QString &scriptName, const QString &scriptText,
                                       const QDateTime &start, const QString &server);

    // The server menu's commands, as "User command" entries due now.
    void queueSaveWorld(const QString &server);
    void queueDestroyWildDinos(const QString &server);
    void queueStopServer(const QString &server);
    void queueMessageOfTheDay(const QString &server, const QString &message);
    // False, and nothing queued, unless the id is 17 characters that pass SteamId::IsNum.
    bool queueUnban(const QString &server, const QString &steamId);

    // The queue view's delete actions. A command already started is not stopped.
    void removeEntry(int row);
    int removeServerEntries(const QString &server);
    void removeAll();

    // A click on the header of `column`: the same column reverses, another sorts ascending. The
    // queue itself takes the new order, which is the order the scheduler walks and the file keeps.
    void headerClicked(int column);
    // Texts compare as the header click's text order; start times compare as times, with the
    // entries that show a state instead of a time first.
    void sortEntries(int column, Qt::SortOrder order);
    int sortColumn() const { return m_sort.column(); }
    Qt::SortOrder sortOrder() const { return m_sort.order(); }

    // The server list renamed a server; returns how many entries followed.
    int renameServer(const QString &oldName, const QString &newName);

    // The scheduler's steps.
    void markStarted(int row, quint64 ticket);
    void setTimeField(int row, const QString &text);

    // Start-up: the file's entries, less those whose time is unreadable or due within 20 s,
    // each dropped one with its "Delete scriptcommand" line. Whatever of a damaged file can be
    // read loads, with a line that says what was skipped. Writing starts after this.
    void LoadQueue();
    bool isLoaded() const { return m_loaded; }
    // Writes the file now (deletes it when the queue is empty); false when that failed or the
    // queue was never loaded.
    bool SaveQueue();

    // The queue view's column widths, stored with the entries; a loaded file sets them.
    QueueFile::ColumnWidths columnWidths() const { return m_columnWidths; }
    void setColumnWidths(const QueueFile::ColumnWidths &widths) { m_columnWidths = widths; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    // A line for the program log.
    void message(const QString &text);
    // After every write of the file, successful or not.
    void saved(bool ok);

private:
    void appendUserCommand(const QString &server, const QString &command);
    void scheduleSave();
    void reportSave(bool ok, const QString &reason);
    void applySort();

    QString m_folder;
    QString m_fileName;
    QVector<QueueEntry> m_entries;
    QueueFile::ColumnWidths m_columnWidths = {200, 150, 200, 150};
    QTimer m_saveTimer; // one write per event-loop turn, however many changes it saw
    bool m_loaded = false;
    bool m_saveFailing = false;
    ListSort m_sort;
};
