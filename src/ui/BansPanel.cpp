#include "ui/BansPanel.h"

#include "commands/BanListModel.h"
#include "commands/ConsoleSession.h"
#include "ui/MenuKey.h"
#include "ui/MessageBoxes.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSortFilterProxyModel>
#include <QTreeView>
#include <QVBoxLayout>

namespace {
// Enter on a row unbans it, as a click on its "Unban" does.
class EnterKey final : public QObject {
public:
    EnterKey(QTreeView *view, std::function<void()> action)
        : QObject(view)
        , m_action(std::move(action)) {
        view->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            return false;
        m_action();
        return true;
    }

private:
    std::function<void()> m_action;
};
} // namespace

BansPanel::BansPanel(BanListModel *bans, ConsoleSession *session, QWidget *parent)
    : QWidget(parent)
    , m_bans(bans)
    , m_session(session)
    , m_proxy(new QSortFilterProxyModel(this))
    , m_filter(new QLineEdit(this))
    , m_view(new QTreeView(this)) {
    m_proxy->setSourceModel(bans);
    m_proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_proxy->setFilterKeyColumn(-1);
    auto *label = new QLabel(tr("&Filter:"), this);
    label->setBuddy(m_filter);
    m_filter->setAccessibleName(tr("Filter bans"));
    m_filter->setClearButtonEnabled(true);
    m_filter->setPlaceholderText(tr("Player, id or server"));
    m_view->setModel(m_proxy);
    m_view->setAccessibleName(tr("Bans"));
    m_view->setRootIsDecorated(false);
    m_view->setUniformRowHeights(true);
    m_view->setAllColumnsShowFocus(true);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->header()->setStretchLastSection(true);
    m_view->setColumnWidth(BanListModel::PlayerColumn, 160);
    m_view->setColumnWidth(BanListModel::IdColumn, 260);
    m_view->setColumnWidth(BanListModel::ServerColumn, 140);
    m_view->setColumnWidth(BanListModel::DateColumn, 130);

    auto *line = new QHBoxLayout;
    line->setContentsMargins(4, 4, 4, 0);
    line->addWidget(label);
    line->addWidget(m_filter, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(line);
    layout->addWidget(m_view, 1);

    connect(m_filter, &QLineEdit::textChanged, m_proxy,
            &QSortFilterProxyModel::setFilterFixedString);
    connect(m_view, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
        if (index.column() == BanListModel::UnbanColumn)
            unbanRow(index.row());
    });
    new EnterKey(m_view, [this] {
        if (m_view->currentIndex().isValid())
            unbanRow(m_view->currentIndex().row());
    });
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_view, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { openMenu(m_view->viewport()->mapToGlobal(pos)); });
    MenuKey::install(m_view, [this](const QPoint &globalPos) { openMenu(globalPos); });
    connect(bans, &BanListModel::staleChanged, this, &BansPanel::refreshIfShown);
}

void BansPanel::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    refreshIfShown();
}

void BansPanel::refreshIfShown() {
    // Read from the log only when the list is to be seen: the log may hold 100,000 lines.
    if (isVisible() && m_bans->needsRefresh())
        m_bans->refresh();
}

void BansPanel::openMenu(const QPoint &globalPos) {
    const QModelIndex current = m_view->currentIndex();
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction *unban = menu->addAction(tr("Unban"));
    unban->setEnabled(current.isValid());
    connect(unban, &QAction::triggered, this, [this, row = current.row()] { unbanRow(row); });
    menu->popup(globalPos);
}

void BansPanel::unbanRow(int viewRow) {
    const QModelIndex index = m_proxy->mapToSource(m_proxy->index(viewRow, 0));
    if (!index.isValid())
        return;
    const BanList::Ban ban = m_bans->bans().at(index.row());
    const QString who = ban.playerName.isEmpty()
                            ? ban.playerId
                            : QStringLiteral("`") + ban.playerName + QStringLiteral("´ (") +
                                  ban.playerId + QLatin1Char(')');
    if (!MessageBoxes::confirm(window(),
                               tr("Unban player  %1  on server  `%2´ ?").arg(who, ban.server)))
        return;
    m_session->send(ban.server, QStringLiteral("UnbanPlayer ") + ban.playerId);
}
