#include "servers/ServerListModel.h"

#include "base/Intervals.h"
#include "base/Logging.h"
#include "servers/ServerListFile.h"

#include <QFileInfo>

#include <algorithm>

namespace {

bool isIntegerColumn(int column) {
    return column == ServerListModel::PlayerColumn || column == ServerListModel::PortColumn;
}

} // namespace

ServerListModel::ServerListModel(const QString &fileName, QObject *parent)
    : SortableTableModel(parent)
    , m_fileName(fileName)
    , m_fileHeader(ServerListFile::defaultHeader())
    , m_sort(PlayerColumn) {
    m_saveRetryTimer.setSingleShot(true);
    connect(&m_saveRetryTimer, &QTimer::timeout, this, &ServerListModel::retrySave);
}

bool ServerListModel::load(QString *errorText) {
    ServerListFile::Contents contents{ServerListFile::defaultHeader(), {}};
    bool ok = true;
    if (QFileInfo::exists(m_fileName)) {
        QString reason;
        ok = ServerListFile::load(m_fileName, &contents, &reason);
        if (!ok) {
            qCWarning(lcError).noquote() << reason + QStringLiteral(" (LoadStringGrid)");
            if (errorText)
                *errorText = tr("Failed to read server list: %1").arg(reason);
        }
    }
    beginResetModel();
    m_fileHeader = std::move(contents.header);
    m_entries = std::move(contents.servers);
    endResetModel();
    return ok;
}

int ServerListModel::rowOfName(const QString &name) const {
    for (int row = 0; row < serverCount(); ++row) {
        if (m_entries.at(row).settings.name == name)
            return row;
    }
    return -1;
}

int ServerListModel::appendServer(const ServerSettings &settings) {
    const int row = serverCount();
    beginInsertRows(QModelIndex(), row, row);
    ServerEntry entry;
    entry.settings = settings;
    m_entries.append(entry);
    endInsertRows();
    return row;
}

bool ServerListModel::updateServer(int row, const ServerSettings &settings) {
    if (row < 0 || row >= serverCount())
        return false;
    m_entries[row].settings = settings;
    emitRowChanged(row, NameColumn, PasswordColumn);
    return true;
}

bool ServerListModel::removeServer(int row) {
    if (row < 0 || row >= serverCount())
        return false;
    beginRemoveRows(QModelIndex(), row, row);
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

bool ServerListModel::setState(int row, ServerState state, const QString &detail) {
    if (row < 0 || row >= serverCount())
        return false;
    ServerEntry &entry = m_entries[row];
    if (entry.state == state)
        return setStatusDetail(row, detail);
    if (state == ServerState::Erase)
        entry.stateBeforeErase = entry.state;
    entry.state = state;
    entry.statusDetail = detail;
    emitRowChanged(row, NameColumn, StatusColumn);
    return true;
}

bool ServerListModel::setStatusDetail(int row, const QString &detail) {
    if (row < 0 || row >= serverCount())
        return false;
    ServerEntry &entry = m_entries[row];
    if (entry.statusDetail != detail) {
        entry.statusDetail = detail;
        emitRowChanged(row, StatusColumn, StatusColumn);
    }
    return true;
}

void ServerListModel::endChatState() {
    for (int row = 0; row < serverCount(); ++row) {
        ServerEntry &entry = m_entries[row];
        if (entry.state == ServerState::ChatOnline) {
            entry.state = ServerState::Online;
            entry.statusDetail.clear();
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
    permuteRows(order, [this, &order] { m_entries = inRowOrder(m_entries, order); });
    serversave();
}

bool ServerListModel::serversave() {
    if (writeFile()) {
        // A pending retry would only write the same list again.
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
    if (ServerListFile::save(m_fileName, m_fileHeader, m_entries, &reason))
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
    // The status explains itself on hover, and the state icon to a screen reader.
    if ((role == Qt::ToolTipRole && index.column() == StatusColumn) ||
        (role == Qt::AccessibleDescriptionRole &&
         (index.column() == StatusColumn || index.column() == NameColumn)))
        return entry.statusExplanation();
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
        return entry.settings.name;
    case PlayerColumn:
        return entry.playerCount;
    case StatusColumn:
        return entry.statusText();
    case HostColumn:
        return entry.settings.host;
    case PortColumn:
        return entry.settings.port;
    case PasswordColumn:
        return entry.settings.password;
    default:
        return {};
    }
}

void ServerListModel::emitRowChanged(int row, int firstColumn, int lastColumn) {
    emit dataChanged(index(row, firstColumn), index(row, lastColumn));
}
