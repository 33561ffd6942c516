#pragma once

#include <QIdentityProxyModel>

// Turns the icon indexes that core models keep (a role on cells, a role on header sections)
// into the pictures of the console's icon list.
class IconProxyModel final : public QIdentityProxyModel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(IconProxyModel)

public:
    IconProxyModel(int iconIndexRole, QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    int m_iconIndexRole;
};
