#pragma once

#include "base/ListSort.h"
#include "base/SortableTableModel.h"
#include "servers/ServerEntry.h"

#include <QStringList>
#include <QTimer>

// The server list: the entries with their settings and live state, in the order the poll cycle
// visits them and "server.dat" keeps them. The file is written from the entries, whole.
class ServerListModel final : public SortableTableModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServerListModel)

public:
    enum Column {
        NameColumn,
        PlayerColumn,
        StatusColumn,
        HostColumn,
        PortColumn,
        PasswordColumn,
        ColumnCount
    };
    // The IconIndex of an entry in column 0, or of the sort column's header.
    enum Role { IconIndexRole = Qt::UserRole + 1 };

    explicit ServerListModel(const QString &fileName, QObject *parent = nullptr);

    QString fileName() const { return m_fileName; }

    // Start-up: the servers of the file when it exists, each with "-" players, status "Queue"
    // and the queued icon. Returns false with a text for the program log when the file exists
    // but could not be read whole; the list then holds what could be read.
    bool load(QString *errorText = nullptr);

    int serverCount() const { return static_cast<int>(m_entries.size()); }
    const ServerEntry &entry(int row) const { return m_entries.at(row); }
    const ServerList &entries() const { return m_entries; }
    // Exact, case-sensitive match on the name; -1 when no entry has it.
    int rowOfName(const QString &name) const;

    // The caller saves with serversave() afterwards.
    int appendServer(const ServerSettings &settings);
    // Keeps the entry's player count, status and icon.
    bool updateServer(int row, const ServerSettings &settings);
    bool removeServer(int row);

    bool setPlayerCount(int row, const QString &text);
    // Erase remembers the state before it, whose picture the entry keeps until its removal.
    // `detail` says why, for the status tool tip ("port 70000 is not a valid port").
    bool setState(int row, ServerState state, const QString &detail = QString());
    bool setStatusDetail(int row, const QString &detail);
    // The chat has closed: its server is plain Online again (an entry marked Erase stays so).
    void endChatState();
    // Entries whose state counts as online ("Chat/Online" included).
    int onlineCount() const;

    // Set while an entry marked "Erase" waits for the removal step.
    bool deletePending() const { return m_deletePending; }
    void setDeletePending(bool pending) { m_deletePending = pending; }

    int sortColumn() const { return m_sort.column(); }
    Qt::SortOrder sortOrder() const { return m_sort.order(); }
    // 0 while no header shows an icon, else the index of IconIndex::SortAscending or
    // SortDescending, as app.ini stores it.
    int sortIcon() const { return m_sort.icon(); }
    // The stored sort state ("lv2lastsort", "lv2lastimage"); the list is not re-sorted.
    void setSortState(int column, int iconIndex);
    // A click on a column header: the same column reverses the direction, another column
    // sorts ascending. Sorts, rewrites the table in the new order and saves it.
    void headerClicked(int column);
    // Sorts again by the current column and direction, with the same rewrite and save.
    void resort();
    void sortServers(int column, Qt::SortOrder order);

    // Writes the list to the file; after a failure it says so through message() and tries
    // once more serverSaveRetryMs later. Returns whether the first attempt succeeded.
    bool serversave();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

signals:
    // A plain message line for the program log.
    void message(const QString &text);

private:
    static QString columnText(const ServerEntry &entry, int column);
    void applySort();
    bool writeFile();
    void retrySave();
    void emitRowChanged(int row, int firstColumn, int lastColumn);

    QString m_fileName;
    // Row 0 of the file as it was read, written back with the entries.
    QStringList m_fileHeader;
    ServerList m_entries;
    bool m_deletePending = false;
    ListSort m_sort; // the player count, ascending, no icon, until app.ini or a click says more
    QTimer m_saveRetryTimer; // second attempt at writing the file
};
