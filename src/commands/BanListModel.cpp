#include "commands/BanListModel.h"

#include "base/ProgramLog.h"

BanListModel::BanListModel(ProgramLog *log, QObject *parent)
    : QAbstractTableModel(parent)
    , m_log(log) {
    connect(log, &ProgramLog::entryAdded, this, [this] {
        if (!m_log->lines().isEmpty() && BanList::concernsBans(m_log->lines().constFirst()))
            markStale();
    });
    connect(log, &QAbstractItemModel::modelReset, this, &BanListModel::markStale);
}

void BanListModel::markStale() {
    m_stale = true;
    emit staleChanged();
}

void BanListModel::refresh() {
    beginResetModel();
    m_bans = BanList::fromLog(m_log->lines());
    m_stale = false;
    endResetModel();
}

int BanListModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_bans.size());
}

int BanListModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant BanListModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid() || index.row() >= m_bans.size())
        return {};
    const BanList::Ban &ban = m_bans.at(index.row());
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole) {
        switch (index.column()) {
        case PlayerColumn:
            return ban.playerName;
        case IdColumn:
            return ban.playerId;
        case ServerColumn:
            return ban.server;
        case DateColumn:
            return ban.when.isValid() ? ban.when.toString(QStringLiteral("yyyy-MM-dd hh:mm"))
                                      : ban.stamp;
        case UnbanColumn:
            return tr("Unban");
        default:
            return {};
        }
    }
    return {};
}

QVariant BanListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case PlayerColumn:
        return tr("Player");
    case IdColumn:
        return tr("Player id");
    case ServerColumn:
        return tr("Server");
    case DateColumn:
        return tr("Banned");
    case UnbanColumn:
        return QString();
    default:
        return {};
    }
}
