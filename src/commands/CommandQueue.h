#pragma once

#include "commands/QueueEntry.h"
#include "commands/QueueFile.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <QVector>

#include <functional>
#include <optional>

// The command queue: every command waiting to be sent, in the order the scheduler walks it, kept
// in "scripts/cmdlist.kvl". Once loaded, the file is written after every change of the queue,
// once per event-loop turn, so a crash loses no scheduled command. Each change is announced
// before and after it is made, the way a table model over the queue needs it.
class CommandQueue final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CommandQueue)

public:
    explicit CommandQueue(const QString &programFolder, QObject *parent = nullptr);

    QString fileName() const { return m_fileName; }

    int count() const { return int(m_entries.size()); }
    const QueueEntry &entry(int row) const { return m_entries.at(row); }
    const QVector<QueueEntry> &entries() const { return m_entries; }

    // Appends one entry; the start time is written in the queue's time format.
    void QueueAppend(const QString &scriptName, const QString &command, const QDateTime &startTime,
                     const QString &serverName);
    void appendEntries(const QVector<QueueEntry> &entries);

    // The queue view's delete actions. A command already started is not stopped.
    void removeEntry(int row);
    int removeServerEntries(const QString &server);
    void removeAll();
    // Removes every entry `match` holds true for, in as few steps as the rows allow.
    int removeEntries(const std::function<bool(const QueueEntry &)> &match);

    // The server list renamed a server; returns how many entries followed.
    int renameServer(const QString &oldName, const QString &newName);

    // The scheduler's steps: the entry was handed to its server's lane (nothing shown), its
    // exchange started ("In progress.."), or it ended in a state.
    void setTicket(int row, quint64 ticket);
    void markStarted(int row);
    void setTimeField(int row, const QString &text);
    // The row of the entry handed on with this ticket, -1 when none is.
    int rowOfTicket(quint64 ticket) const;

    // Puts the entry of old row rows[i] at row i; `rows` holds every row once.
    void reorder(const QVector<int> &rows);

    // Start-up: the file's entries, less those whose time is unreadable or due within 20 s,
    // each dropped one with its "Delete scriptcommand" line; one that was in flight when the
    // program ended is also named with its server and command, its outcome unknown. Whatever of a
    // damaged file can be read loads, with a line that says what was skipped. Writing starts after
    // this.
    void LoadQueue();
    bool isLoaded() const { return m_loaded; }
    // Writes the file now (deletes it when the queue is empty); false when that failed or the
    // queue was never loaded.
    bool SaveQueue();

    // The file also stores the queue view's four column widths, which belong to whoever lays the
    // view out: the load hands back the stored ones, and every write asks `source` for them
    // (without a source it writes what it loaded, or the built-in widths).
    std::optional<QueueFile::ColumnWidths> loadedColumnWidths() const { return m_loadedWidths; }
    void setColumnWidthSource(std::function<QueueFile::ColumnWidths()> source);

signals:
    // A line for the program log.
    void message(const QString &text);
    // After every write of the file, successful or not.
    void saved(bool ok);

    // Rows first..last, before and after they join the queue or leave it.
    void entriesAboutToBeInserted(int first, int last);
    void entriesInserted(int first, int last);
    void entriesAboutToBeRemoved(int first, int last);
    void entriesRemoved(int first, int last);
    // One entry's texts changed (its time field, its server).
    void entryChanged(int row);
    // Every entry at once: the load, "Delete all".
    void aboutToBeReset();
    void reset();
    // reorder(): old row rows[i] is now at row i.
    void aboutToBeReordered();
    void reordered(const QVector<int> &rows);

private:
    void scheduleSave();
    void reportSave(bool ok, const QString &reason);
    QueueFile::ColumnWidths columnWidthsToWrite() const;

    QString m_fileName;
    QVector<QueueEntry> m_entries;
    QTimer m_saveTimer; // one write per event-loop turn, however many changes it saw
    std::optional<QueueFile::ColumnWidths> m_loadedWidths;
    std::function<QueueFile::ColumnWidths()> m_widthSource;
    bool m_loaded = false;
    bool m_saveFailing = false;
};
