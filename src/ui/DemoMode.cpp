#include "ui/DemoMode.h"

#include "base/IconIndex.h"
#include "base/ProgramLog.h"
#include "chat/ChatLine.h"
#include "chat/ChatLog.h"
#include "chat/ChatSession.h"
#include "console/Console.h"
#include "monitor/PlayerListModel.h"
#include "monitor/PollCycle.h"
#include "servers/ServerListModel.h"
#include "ui/ChatPanel.h"
#include "ui/ChatView.h"
#include "ui/Crosshair.h"
#include "ui/Icons.h"
#include "ui/ServerListView.h"
#include "ui/StatusPanels.h"

#include <QHeaderView>
#include <QMenu>
#include <QRandomGenerator>
#include <QStandardItemModel>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

namespace {
constexpr int kServers = 6;
constexpr int kPlayers = 17;
constexpr int kPlayersOnline = 6;
constexpr int kChatLines = 31;

int random(int below) {
    return int(QRandomGenerator::global()->bounded(below));
}

QString numbers(int count, int below) {
    QString text;
    for (int i = 0; i < count; ++i)
        text += QString::number(random(below));
    return text;
}

QString serverName() {
    return QStringLiteral("Testserver") + QString::number(random(45439));
}

QString playerName() {
    return numbers(5, 110);
}

// A model of the view's columns, with the captions of the real one.
QStandardItemModel *modelLike(const QAbstractItemModel *real, QObject *parent) {
    auto *model = new QStandardItemModel(0, real->columnCount(), parent);
    for (int column = 0; column < real->columnCount(); ++column)
        model->setHeaderData(column, Qt::Horizontal, real->headerData(column, Qt::Horizontal));
    return model;
}

// A new model resets the header: the operator's column widths stay.
void replaceModel(QTreeView *view, QAbstractItemModel *model) {
    QList<int> widths;
    for (int column = 0; column < view->header()->count(); ++column)
        widths << view->columnWidth(column);
    view->setModel(model);
    for (int column = 0; column < widths.size(); ++column)
        view->setColumnWidth(column, widths.at(column));
}
} // namespace

DemoMode::DemoMode(Console *console, Crosshair *crosshair, const Views &views, QObject *parent)
    : QObject(parent)
    , m_console(console)
    , m_crosshair(crosshair)
    , m_views(views)
    , m_menu(new QMenu(views.chat)) {
    m_menu->addAction(tr("demomode"), this, &DemoMode::start);
    QToolButton *close = views.chat->closeButton();
    close->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(close, &QWidget::customContextMenuRequested, m_menu,
            [this, close](const QPoint &pos) { m_menu->popup(close->mapToGlobal(pos)); });
}

void DemoMode::start() {
    if (m_running)
        return;
    m_running = true;
    m_console->pollCycle()->stop();
    m_console->chat()->chataus();
    if (m_crosshair)
        m_crosshair->hide();
    fillServers();
    fillPlayers();
    fillChat();
    m_views.status->setPlayersOnline(tr("%1 Player online").arg(kPlayers));
}

void DemoMode::fillServers() {
    ServerListView *view = m_views.servers;
    // The header would sort the hidden real list and rewrite server.dat; the made-up one stays.
    disconnect(view->header(), &QHeaderView::sectionClicked, m_console->servers(), nullptr);
    QStandardItemModel *model = modelLike(m_console->servers(), this);
    for (int i = 0; i < kServers; ++i) {
        QStringList hosts;
        for (int part = 0; part < 4; ++part)
            hosts << QString::number(random(130));
        QList<QStandardItem *> row;
        row << new QStandardItem(Icons::byIndex(IconIndex::ServerOnline), serverName())
            << new QStandardItem(QString::number(random(9))) << new QStandardItem(tr("Online"))
            << new QStandardItem(hosts.join(QLatin1Char('.')))
            << new QStandardItem(QStringLiteral("27013")) << new QStandardItem(numbers(5, 110));
        model->appendRow(row);
    }
    replaceModel(view, model);
}

void DemoMode::fillPlayers() {
    QStandardItemModel *model = modelLike(m_console->playerList(), this);
    for (int i = 0; i < kPlayers; ++i) {
        const QString steamId =
            (QString::number(random(999999999)) + QString::number(random(999999999)) +
             QString::number(random(99999999)) + QString::number(random(999999999)))
                .left(17);
        QList<QStandardItem *> row;
        row << new QStandardItem(Icons::byIndex(IconIndex::Player), playerName())
            << new QStandardItem(steamId) << new QStandardItem(serverName()) << new QStandardItem();
        model->appendRow(row);
    }
    disconnect(m_views.players->header(), &QHeaderView::sectionClicked, m_console->playerList(),
               nullptr);
    replaceModel(m_views.players, model);

    QTreeWidget *online = m_views.chat->playersOnline();
    online->clear();
    for (int i = 0; i < kPlayersOnline; ++i)
        new QTreeWidgetItem(online, QStringList{playerName()});
}

void DemoMode::fillChat() {
    // Pieces of the program log's first lines make the chat.
    const QStringList &log = m_console->programLog()->lines();
    QList<ChatLine> lines;
    for (int k = 0; k < kChatLines; ++k)
        lines << ChatLine::fromDisplayText(log.value(k).mid(random(10), 29));
    m_chatLog = new ChatLog(this);
    m_chatLog->setLines(lines);
    m_views.chat->chatView()->setChatLog(m_chatLog);
}
