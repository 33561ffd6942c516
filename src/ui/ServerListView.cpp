#include "ui/ServerListView.h"

#include "servers/ServerListModel.h"
#include "ui/IconProxyModel.h"
#include "ui/Icons.h"
#include "ui/PasswordDelegate.h"

#include <QHeaderView>
#include <QLabel>

ServerListView::ServerListView(ServerListModel *servers, QWidget *parent)
    : QTreeView(parent)
    , m_servers(servers)
    , m_placeholder(new QLabel(viewport())) {
    auto *proxy = new IconProxyModel(ServerListModel::IconIndexRole, this);
    proxy->setSourceModel(servers);
    setModel(proxy);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setToolTip(tr("Doubleclick to chat"));
    setItemDelegateForColumn(ServerListModel::PasswordColumn, new PasswordDelegate(this));
    header()->setSectionsClickable(true);
    header()->setStretchLastSection(true);
    connect(header(), &QHeaderView::sectionClicked, servers, &ServerListModel::headerClicked);

    Icons::registerResources(); // the placeholder's picture is named by its resource path
    m_placeholder->setObjectName(QStringLiteral("placeholder"));
    m_placeholder->setAlignment(Qt::AlignCenter);
    m_placeholder->setText(
        tr("<img src=':/icons/add-server.png' width='32' height='32' style='vertical-align:middle'>"
           "&nbsp;&nbsp;No game servers in the list yet"));
    m_placeholder->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(servers, &QAbstractItemModel::rowsInserted, this, &ServerListView::updatePlaceholder);
    connect(servers, &QAbstractItemModel::rowsRemoved, this, &ServerListView::updatePlaceholder);
    connect(servers, &QAbstractItemModel::modelReset, this, &ServerListView::updatePlaceholder);
    updatePlaceholder();
}

void ServerListView::setShowPasswords(bool show) {
    m_showPasswords = show;
    static_cast<PasswordDelegate *>(itemDelegateForColumn(ServerListModel::PasswordColumn))
        ->setMasked(!show);
    viewport()->update();
}

void ServerListView::resizeEvent(QResizeEvent *event) {
    QTreeView::resizeEvent(event);
    updatePlaceholder();
}

void ServerListView::updatePlaceholder() {
    m_placeholder->setVisible(m_servers->serverCount() == 0);
    const int listWidth = viewport()->width();
    // Half the list's width while the list is narrow; its height a tenth of its width.
    const int width = listWidth < 1000 ? listWidth / 2 : std::min(listWidth, 500);
    const int height = std::max(width / 10, 40);
    m_placeholder->setGeometry((listWidth - width) / 2, (viewport()->height() - height) / 2, width,
                               height);
}
