#include "servers/ServerListModel.h"

#include "base/Intervals.h"
#include "base/Logging.h"
#include "servers/TableFile.h"

#include <QFileInfo>

#include <algorithm>

namespace {

constexpr int kTableColumns = 4;

bool isIntegerColumn(int column) {
    return column == ServerListModel::PlayerColumn || column == ServerListModel::PortColumn;
}

} // namespace

ServerListModel::ServerListModel(const QString &fileName, QObject *parent)
    : SortableTableModel(parent)
    , m_fileName(fileName)
    , m_table(emptyServerTable())
    , m_sort(PlayerColumn) {
    m_saveRetryTimer.setSingleShot(true);
    connect(&m_saveRetryTimer, &QTimer::timeout, this, &ServerListModel::retrySave);
}

StringTable ServerListModel::emptyServerTable() {
    StringTable table(kTableColumns, 1);
    table.setRow(0, {QStringLiteral("Name"), QStringLiteral("Host"), QStringLiteral("Port"),
                     QStringLiteral("PW")});
    return table;
}

bool ServerListModel::load(QString *errorText) {
    m_table = emptyServerTable();
    bool ok = true;
    if (QFileInfo::exists(m_fileName)) {
        QString reason;
        ok = LoadStringGrid(m_table, m_fileName, &reason);
        if (!ok) {
            qCWarning(lcError).noquote() << reason + QStringLiteral(" (LoadStringGrid)");
            if (errorText)
                *errorText = tr("Failed to read server list: %1").arg(reason);
        }
        // Adding a server needs the four columns even when the file gave fewer.
        if (m_table.columnCount() < kTableColumns)
            m_table.setColumnCount(kTableColumns);
    }
    servergridtolist();
    return ok;
}

void ServerListModel::servergridtolist() {
    beginResetModel();
    m_entries.clear();
    for (int r = 1; r < m_table.rowCount(); ++r) {
        ServerEntry entry;
        entry.name = m_table.cell(0, r);
        entry.host = m_table.cell(1, r);
        entry.port = m_table.cell(2, r);
        entry.password = m_table.cell(3, r);
        m_entries.append(entry);
    }
    endResetModel();
}

int ServerListModel::rowOfName(const QString &name) const {
    for (int row = 0; row < serverCount(); ++row) {
        if (m_entries.at(row).name == name)
            return row;
    }
    return -1;
}

int ServerListModel::appendServer(const QString &name, const QString &host, const QString &port,
                                  const QString &password) {
    const int row = serverCount();
    beginInsertRows(QModelIndex(), row, row);
    m_table.appendRow({name, host, port, password});
    ServerEntry entry;
    entry.name = name;
    entry.host = host;
    entry.port = port;
    entry.password = password;
    m_entries.append(entry);
    endInsertRows();
    return row;
}

bool ServerListModel::updateServer(int row, const QString &name, const QString &host,
                                   const QString &port, const QString &password) {
    if (row < 0 || row >= serverCount())
        return false;
    m_table.setCell(0, row + 1, name);
    m_table.setCell(1, row + 1, host);
    m_table.setCell(2, row + 1, port);
    m_table.setCell(3, row + 1, password);
    ServerEntry &entry = m_entries[row];
    entry.name = name;
    entry.host = host;
    entry.port = port;
    entry.password = password;
    emitRowChanged(row, NameColumn, PasswordColumn);
    return true;
}

bool ServerListModel::removeServer(int row) {
    if (row < 0 || row >= serverCount())
        return false;
    beginRemoveRows(QModelIndex(), row, row);
    DeleteRow(m_table, row + 1);
    m_entries.removeAt(row);
    endRemoveRows();
    return true;
}

bool ServerListModel::setPlayerCount(int row, const QString &text) {
    if (row < 0 || row >= serverCount())
        return false;
    if (m_entries[row].playerCount != text) {
        m_entries[row].playerCount = text;
        emitRowChanged(row, PlayerColumn, PlayerColumn);
    }
    return true;
}

bool ServerListModel::setState(int row, ServerState state) {
    if (row < 0 || row >= serverCount())
        return false;
    ServerEntry &entry = m_entries[row];
    if (entry.state == state)
        return true;
    if (state == ServerState::Erase)
        entry.stateBeforeErase = entry.state;
    entry.state = state;
    emitRowChanged(row, NameColumn, StatusColumn);
    return true;
}

void ServerListModel::endChatState() {
    for (int row = 0; row < serverCount(); ++row) {
        ServerEntry &entry = m_entries[row];
        if (entry.state == ServerState::ChatOnline) {
            entry.state = ServerState::Online;
            emitRowChanged(row, NameColumn, StatusColumn);
        } else if (entry.state == ServerState::Erase &&
                   entry.stateBeforeErase == ServerState::ChatOnline) {
            entry.stateBeforeErase = ServerState::Online;
            emitRowChanged(row, NameColumn, NameColumn);
        }
    }
}

int ServerListModel::onlineCount() const {
    return int(std::count_if(m_entries.cbegin(), m_entries.cend(),
                             [](const ServerEntry &entry) { return entry.isOnline(); }));
}

void ServerListModel::setSortState(int column, int iconIndex) {
    m_sort.restore((column >= 0 && column < ColumnCount) ? column : NameColumn, iconIndex);
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

void ServerListModel::headerClicked(int column) {
    if (column < 0 || column >= ColumnCount)
        return;
    m_sort.click(column);
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    applySort();
}

void ServerListModel::resort() {
    applySort();
}

void ServerListModel::sortServers(int column, Qt::SortOrder order) {
    if (column < 0 || column >= ColumnCount)
        return;
    m_sort.set(column, order);
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    applySort();
}

void ServerListModel::applySort() {
    const int column = m_sort.column();
    const QVector<int> order = m_sort.sortedRows(
        serverCount(), [this, column](int row) { return columnText(m_entries.at(row), column); },
        isIntegerColumn(column));
    permuteRows(order, [this, &order] {
        StringTable sortedTable = m_table;
        for (int newRow = 0; newRow < order.size(); ++newRow)
            sortedTable.setRow(newRow + 1, m_table.row(order.at(newRow) + 1));
        m_entries = inRowOrder(m_entries, order);
        m_table = std::move(sortedTable);
    });
    serversave();
}

bool ServerListModel::serversave() {
    if (writeFile()) {
        // A pending retry would only write the same table again.
        m_saveRetryTimer.stop();
        return true;
    }
    emit message(tr("Failed to save server list. Try again..."));
    m_saveRetryTimer.start(Intervals::instance().serverSaveRetryMs);
    return false;
}

void ServerListModel::retrySave() {
    if (!writeFile())
        emit message(tr("Failed to save server list. Please check drive."));
}

bool ServerListModel::writeFile() {
    QString reason;
    if (SaveStringGrid(m_table, m_fileName, &reason))
        return true;
    qCWarning(lcError).noquote() << reason + QStringLiteral(" (serversave)");
    return false;
}

int ServerListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : serverCount();
}

int ServerListModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ServerListModel::data(const QModelIndex &index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const ServerEntry &entry = m_entries.at(index.row());
    if (role == Qt::DisplayRole)
        return columnText(entry, index.column());
    if (role == IconIndexRole && index.column() == NameColumn)
        return int(entry.icon());
    return {};
}

QVariant ServerListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole) {
        static const char *const captions[ColumnCount] = {
            QT_TR_NOOP("Servername"), QT_TR_NOOP("Player"),    QT_TR_NOOP("Status"),
            QT_TR_NOOP("Host"),       QT_TR_NOOP("Rcon-Port"), QT_TR_NOOP("Rcon-Password")};
        return tr(captions[section]);
    }
    if (role == IconIndexRole)
        return m_sort.headerIcon(section);
    return {};
}

QString ServerListModel::columnText(const ServerEntry &entry, int column) {
    switch (column) {
    case NameColumn:
        return entry.name;
    case PlayerColumn:
        return entry.playerCount;
    case StatusColumn:
        return entry.statusText();
    case HostColumn:
        return entry.host;
    case PortColumn:
        return entry.port;
    case PasswordColumn:
        return entry.password;
    default:
        return {};
    }
}

void ServerListModel::emitRowChanged(int row, int firstColumn, int lastColumn) {
    emit dataChanged(index(row, firstColumn), index(row, lastColumn));
}
