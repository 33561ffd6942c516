#include "ui/ConsolePanel.h"

#include "commands/ConsoleExchange.h"
#include "commands/ConsoleSession.h"
#include "monitor/PlayerListModel.h"
#include "servers/ServerListModel.h"
#include "ui/CommandField.h"
#include "ui/ConsoleOutputView.h"
#include "ui/TextViewMenu.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The chooser's item for every online server carries no server name.
constexpr int kAllOnlineRow = 0;
} // namespace

ConsolePanel::ConsolePanel(ConsoleSession *session, ServerListModel *servers,
                           PlayerListModel *players, QWidget *parent)
    : QWidget(parent)
    , m_session(session)
    , m_servers(servers)
    , m_players(players)
    , m_chooser(new QComboBox(this))
    , m_field(new CommandField(session->history(), this))
    , m_send(new QPushButton(tr("Send"), this))
    , m_output(new ConsoleOutputView(this))
    , m_waiting(new QLabel(this)) {
    auto *serverLabel = new QLabel(tr("&Server:"), this);
    serverLabel->setBuddy(m_chooser);
    m_chooser->setAccessibleName(tr("Server"));
    m_chooser->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    auto *commandLabel = new QLabel(tr("Co&mmand:"), this);
    commandLabel->setBuddy(m_field);
    m_field->setAccessibleName(tr("Command"));
    m_field->setPlaceholderText(
        tr("Any RCON command; Tab completes, Up and Down walk the history"));
    m_send->setAccessibleName(tr("Send command"));
    m_output->setAccessibleName(tr("Console output"));
    m_output->setObjectName(QStringLiteral("consoleOutput"));
    m_waiting->setAccessibleName(tr("Waiting for answers"));
    TextViewMenu::install(m_output, nullptr, nullptr);

    auto *line = new QHBoxLayout;
    line->setContentsMargins(4, 4, 4, 0);
    line->addWidget(serverLabel);
    line->addWidget(m_chooser);
    line->addWidget(commandLabel);
    line->addWidget(m_field, 1);
    line->addWidget(m_send);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(line);
    layout->addWidget(m_output, 1);
    layout->addWidget(m_waiting);
    m_waiting->hide();

    m_field->setPlayerSource([this] {
        QList<CommandCompletion::Player> found;
        const QString server = chosenServer();
        for (const PlayerRecord &record : m_players->entries()) {
            if (server.isEmpty() || record.server == server)
                found << CommandCompletion::Player{record.name, record.steamId};
        }
        return found;
    });
    connect(m_field, &QLineEdit::returnPressed, this, &ConsolePanel::sendCommand);
    connect(m_send, &QPushButton::clicked, this, &ConsolePanel::sendCommand);
    connect(session, &ConsoleSession::exchangeEnded, m_output, &ConsoleOutputView::appendExchange);
    connect(session, &ConsoleSession::waitingCountChanged, this, &ConsolePanel::showWaiting);

    connect(servers, &QAbstractItemModel::modelReset, this, &ConsolePanel::rebuildChooser);
    connect(servers, &QAbstractItemModel::layoutChanged, this, &ConsolePanel::rebuildChooser);
    connect(servers, &QAbstractItemModel::rowsInserted, this, &ConsolePanel::rebuildChooser);
    connect(servers, &QAbstractItemModel::rowsRemoved, this, &ConsolePanel::rebuildChooser);
    connect(servers, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &topLeft) {
        if (topLeft.column() == 0)
            rebuildChooser();
    });
    rebuildChooser();
}

QString ConsolePanel::chosenServer() const {
    return m_chooser->currentIndex() == kAllOnlineRow ? QString() : m_chooser->currentText();
}

bool ConsolePanel::allOnlineChosen() const {
    return m_chooser->currentIndex() == kAllOnlineRow;
}

void ConsolePanel::rebuildChooser() {
    const bool all = m_chooser->count() > 0 && allOnlineChosen();
    const QString kept = all ? QString() : (chosenServer().isEmpty() ? m_selected : chosenServer());
    QStringList names;
    for (int row = 0; row < m_servers->serverCount(); ++row) {
        const QString &name = m_servers->entry(row).settings.name;
        if (!names.contains(name))
            names << name;
    }
    QStringList items{tr("All online servers")};
    items << names;
    QStringList now;
    for (int i = 0; i < m_chooser->count(); ++i)
        now << m_chooser->itemText(i);
    if (now != items) {
        const QSignalBlocker blocker(m_chooser);
        m_chooser->clear();
        m_chooser->addItems(items);
    }
    int row = all ? kAllOnlineRow : int(names.indexOf(kept)) + 1;
    if (row <= 0 && !all)
        row = names.isEmpty() ? kAllOnlineRow : 1; // the first server, never all of them unasked
    m_chooser->setCurrentIndex(row);
}

void ConsolePanel::followSelectedServer(const QString &name) {
    m_selected = name;
    const int row = m_chooser->findText(name, Qt::MatchExactly);
    if (!name.isEmpty() && row > kAllOnlineRow)
        m_chooser->setCurrentIndex(row);
}

void ConsolePanel::sendCommand() {
    const QString command = m_field->text();
    if (ConsoleSession::cleaned(command).isEmpty())
        return;
    if (allOnlineChosen())
        m_session->sendToAllOnline(command);
    else
        m_session->send(chosenServer(), command);
    m_field->clear();
    m_field->resetWalk();
}

void ConsolePanel::showWaiting(int count) {
    m_waiting->setVisible(count > 0);
    if (count == 1)
        m_waiting->setText(tr("Waiting for 1 answer…"));
    else
        m_waiting->setText(count > 1 ? tr("Waiting for %1 answers…").arg(count) : QString());
}
