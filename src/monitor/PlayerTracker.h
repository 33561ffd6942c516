#pragma once

#include "monitor/PlayerRecord.h"
#include "servers/StringTable.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>

// The table of players online on any server, fed by the poll cycle after each visit. Every
// appearance and departure is written to the program log in the fixed wording the statistics
// read back, and handed to the notifications outside the first pass.
class PlayerTracker final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlayerTracker)

public:
    enum Column { ServerColumn, PlayerColumn, SteamIdColumn, JoinColumn, ColumnCount };

    explicit PlayerTracker(QObject *parent = nullptr);

    // Row 0 is the header row; the records follow in the order they were made.
    const StringTable &playerTable() const { return m_table; }
    int recordCount() const { return m_table.rowCount() - 1; }
    PlayerRecord record(int index) const;
    PlayerRecords records() const;
    // Index of the record with this SteamID64, -1 when there is none.
    int indexOfSteamId(const QString &steamId) const;

    // Enters the players of one answer for `server`: new ones are "joined" (the server was
    // online before and the first pass is over) or "playing"; a player seen on another server
    // moves there and keeps the stay.
    void record(const QString &server, const QStringList &playerLines, bool firstPass,
                bool wasOnline);
    // Every record of `server` whose SteamID no line mentions has left.
    void detectLeaves(const QString &server, const QStringList &playerLines, bool firstPass);
    // After each processed answer: the player list is rebuilt when the records changed.
    void checkSignature(bool firstPass);
    void playergridtolist(bool firstPass);
    // A deleted server's records go without leave lines, and its removal makes no count sound.
    void removeServerRecords(const QString &server);
    // A server was renamed: its records follow it. Returns how many moved.
    int renameServer(const QString &oldName, const QString &newName);

    bool playerSetChanged() const { return m_playerSetChanged; }
    void setPlayerSetChanged(bool changed) { m_playerSetChanged = changed; }
    int lastPlayerCount() const { return m_lastPlayerCount; }

signals:
    // A line for the program log.
    void message(const QString &text);
    // A join or a departure for the notifications (never during the first pass).
    void notificationRaised(const QString &text);
    // The program-log line of that join or departure, for the webhook.
    void notifiedEventLogged(const QString &text);
    // Each rebuild after the first pass, for the count-change beep; `playerSetChanged` is clear
    // after a failed visit or a deleted server's removal, whose rebuild makes no sound.
    void playerCountChanged(int previous, int current, bool playerSetChanged);
    // The player list was rebuilt from the records (in table order).
    void playerListRebuilt(const PlayerRecords &records);
    void playersOnlineChanged(int count);

private:
    const QHash<QString, int> &rowsById();
    // The rows of `server`'s records, in table order.
    QList<int> rowsOfServer(const QString &server);
    // Rows went or a server's records changed all at once: the indexes are built again.
    void tableReordered();
    // The SteamID64s of `rows` that some line holds.
    QSet<QString> mentionedIds(const QList<int> &rows, const QStringList &playerLines) const;

    StringTable m_table;
    QHash<QString, int> m_rowOf; // the row of each SteamID64
    bool m_rowOfValid = false;
    QHash<QString, QList<int>> m_serverRows; // the rows of each server's records, ascending
    bool m_serverRowsValid = false;
    quint64 m_revision = 0; // counts every change of the records
    quint64 m_rebuiltRevision = 0;
    bool m_playerSetChanged = true;
    int m_lastPlayerCount = 0;
};
