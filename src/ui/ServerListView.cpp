#include "ui/ServerListView.h"

#include "servers/ServerListModel.h"
#include "ui/IconProxyModel.h"
#include "ui/Icons.h"
#include "ui/PasswordDelegate.h"
#include "ui/Theme.h"

#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace {
constexpr int kGap = 8;
} // namespace

ServerListView::ServerListView(ServerListModel *servers, QWidget *parent)
    : QTreeView(parent)
    , m_servers(servers)
    , m_placeholder(new QLabel(viewport()))
    , m_addServer(new QPushButton(tr("Add server…"), viewport()))
    , m_help(new QLabel(viewport())) {
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
    m_placeholder->setPixmap(placeholderPicture(tr("No game servers in the list yet")));
    // A picture, so that it keeps its proportions at every size the list gives it.
    m_placeholder->setScaledContents(true);
    m_placeholder->setAccessibleName(tr("No game servers in the list yet"));
    m_placeholder->setToolTip(tr("Right-click to add a server"));
    m_placeholder->setContextMenuPolicy(Qt::CustomContextMenu);
    m_addServer->setObjectName(QStringLiteral("addServer"));
    m_addServer->setIcon(Icons::addServer());
    m_addServer->setAccessibleName(tr("Add server"));
    m_addServer->setToolTip(tr("Opens the server settings for a new server (Ctrl+N)"));
    connect(m_addServer, &QPushButton::clicked, this, &ServerListView::addServerRequested);
    m_help->setObjectName(QStringLiteral("emptyListHelp"));
    m_help->setTextFormat(Qt::PlainText);
    m_help->setWordWrap(true);
    m_help->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_help->setText(tr("Ctrl+N or a right-click adds one too. No game server at hand? "
                       "\"kvd --demo\" tries the console on simulated servers."));
    m_help->setStyleSheet(QStringLiteral("color: #b0b0b0;"));
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

void ServerListView::setModel(QAbstractItemModel *model) {
    QTreeView::setModel(model);
    updatePlaceholder();
}

void ServerListView::resizeEvent(QResizeEvent *event) {
    QTreeView::resizeEvent(event);
    updatePlaceholder();
}

void ServerListView::updatePlaceholder() {
    const bool empty = model() && model()->rowCount() == 0;
    const QRect picture = placeholderRect(viewport()->size());
    m_placeholder->setVisible(empty);
    m_placeholder->setGeometry(picture);
    // The button and the help go below the picture.
    const QSize button = m_addServer->sizeHint();
    const int helpWidth = std::max(picture.width(), std::min(viewport()->width() - 2 * kGap, 560));
    const int helpHeight = m_help->heightForWidth(helpWidth);
    m_addServer->setGeometry((viewport()->width() - button.width()) / 2,
                             picture.bottom() + 1 + kGap, button.width(), button.height());
    m_help->setGeometry((viewport()->width() - helpWidth) / 2,
                        m_addServer->geometry().bottom() + 1 + kGap, helpWidth, helpHeight);
    m_addServer->setVisible(empty);
    m_help->setVisible(empty);
}

QRect ServerListView::placeholderRect(const QSize &list) {
    // Half the list's width while the list is narrower than 1000 px, its own width beyond.
    const int width = list.width() < 1000 ? list.width() / 2 : kPlaceholderWidth;
    const int height = width / 10;
    return QRect((list.width() - width) / 2, (list.height() - height) / 2, width, height);
}

QPixmap ServerListView::placeholderPicture(const QString &text) {
    // Drawn larger than it shows, so that it stays sharp when the list is wide.
    const QSize size(kPlaceholderWidth * 2, kPlaceholderWidth / 5);
    QPixmap picture(size);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const int icon = size.height() * 8 / 10;
    const int top = (size.height() - icon) / 2;
    painter.drawPixmap(QRect(top, top, icon, icon), Icons::addServer().pixmap(icon, icon));
    QFont font;
    font.setPixelSize(size.height() * 45 / 100);
    painter.setFont(font);
    painter.setPen(QColor(QLatin1String(Theme::kGold)));
    painter.drawText(QRect(icon + top * 3, 0, size.width() - icon - top * 3, size.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, text);
    return picture;
}
