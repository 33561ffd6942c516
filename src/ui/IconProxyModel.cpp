#include "ui/IconProxyModel.h"

#include "ui/Icons.h"

IconProxyModel::IconProxyModel(int iconIndexRole, QObject *parent)
    : QIdentityProxyModel(parent)
    , m_iconIndexRole(iconIndexRole) {}

QVariant IconProxyModel::data(const QModelIndex &index, int role) const {
    if (role == Qt::DecorationRole) {
        const QVariant icon = QIdentityProxyModel::data(index, m_iconIndexRole);
        return icon.isValid() ? QVariant(Icons::byIndex(IconIndex(icon.toInt()))) : QVariant();
    }
    return QIdentityProxyModel::data(index, role);
}

QVariant IconProxyModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::DecorationRole && orientation == Qt::Horizontal) {
        const QVariant icon =
            QIdentityProxyModel::headerData(section, orientation, m_iconIndexRole);
        return icon.isValid() ? QVariant(Icons::byIndex(IconIndex(icon.toInt()))) : QVariant();
    }
    return QIdentityProxyModel::headerData(section, orientation, role);
}
