#include "ui/ChatPanel.h"

#include "ui/Icons.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int kTopBarHeight = 61;
constexpr int kSideColumnMin = 180;
constexpr int kInputMaxLength = 200;
} // namespace

ChatPanel::ChatPanel(QWidget *parent)
    : QWidget(parent) {
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildTopBar());

    m_splitter = new QSplitter(Qt::Horizontal, this);
    m_splitter->setChildrenCollapsible(false);
    m_splitter->addWidget(buildChatColumn());
    m_splitter->addWidget(buildSideColumn());
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 0);
    layout->addWidget(m_splitter, 1);
}

QWidget *ChatPanel::buildTopBar() {
    m_topBar = new QFrame(this);
    m_topBar->setObjectName(QStringLiteral("topBar"));
    m_topBar->setFixedHeight(kTopBarHeight);
    auto *bar = new QHBoxLayout(m_topBar);
    bar->setContentsMargins(10, 4, 50, 4);

    m_close = new QToolButton(m_topBar);
    m_close->setIcon(Icons::closeChannel());
    m_close->setIconSize(QSize(28, 28));
    m_close->setToolTip(tr("Close channel"));
    connect(m_close, &QToolButton::clicked, this, &ChatPanel::closeChannelClicked);

    m_title = new QLabel(tr("Channel offline"), m_topBar);
    m_title->setObjectName(QStringLiteral("chatTitle"));
    m_title->setAlignment(Qt::AlignCenter);

    m_options = new QToolButton(m_topBar);
    m_options->setIcon(Icons::options());
    m_options->setIconSize(QSize(28, 28));
    m_options->setToolTip(tr("Options"));
    connect(m_options, &QToolButton::clicked, this, &ChatPanel::optionsClicked);

    bar->addWidget(m_close);
    bar->addWidget(m_title, 1);
    bar->addWidget(m_options);
    return m_topBar;
}

QWidget *ChatPanel::buildChatColumn() {
    auto *column = new QWidget(this);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(6, 6, 3, 6);
    auto *heading = new QLabel(tr(" RCON logfile :"), column);
    heading->setObjectName(QStringLiteral("heading"));
    m_chatView = new QTextEdit(column);
    m_chatView->setReadOnly(true);
    m_chatView->setUndoRedoEnabled(false);
    m_chatView->setLineWrapMode(QTextEdit::WidgetWidth);
    m_input = new QLineEdit(column);
    m_input->setMaxLength(kInputMaxLength);
    m_input->setPlaceholderText(tr("Press enter to send"));
    layout->addWidget(heading);
    layout->addWidget(m_chatView, 1);
    layout->addWidget(m_input);
    return column;
}

QWidget *ChatPanel::buildSideColumn() {
    auto *column = new QWidget(this);
    column->setMinimumWidth(kSideColumnMin);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(3, 6, 6, 6);

    m_players = new QTreeWidget(column);
    m_players->setHeaderLabels({tr("Player online")});
    m_players->setRootIsDecorated(false);
    m_players->setSortingEnabled(false);
    m_players->header()->setSectionsClickable(false);
    layout->addWidget(m_players, 1);

    auto *nameLabel = new QLabel(tr(" Server chat name:"), column);
    m_name = new QLineEdit(tr("Admin"), column);
    layout->addWidget(nameLabel);
    layout->addWidget(m_name);

    auto *buttons = new QHBoxLayout;
    m_send = new QPushButton(tr("Send"), column);
    m_send->setToolTip(tr("Enter"));
    m_broadcast = new QPushButton(tr("Broadcast"), column);
    buttons->addWidget(m_send);
    buttons->addWidget(m_broadcast);
    layout->addLayout(buttons);
    return column;
}

QString ChatPanel::chatName() const {
    return m_name->text();
}

void ChatPanel::setChatName(const QString &name) {
    m_name->setText(name);
}

QString ChatPanel::title() const {
    return m_title->text();
}

void ChatPanel::setTitle(const QString &title) {
    m_title->setText(title);
    updateTopBar();
}

int ChatPanel::sideColumnWidth() const {
    const QList<int> sizes = m_splitter->sizes();
    return sizes.value(1);
}

void ChatPanel::setSideColumnWidth(int width) {
    const int total = std::max(m_splitter->width(), width + 200);
    m_splitter->setSizes({total - width, width});
}

void ChatPanel::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    updateTopBar();
}

void ChatPanel::updateTopBar() {
    // A narrow bar drops the title first, then the close icon.
    const int width = m_topBar->width();
    m_title->setVisible(width >= m_title->sizeHint().width() + 208);
    m_close->setVisible(width >= 180);
}
