#include "ui/ChatPanel.h"

#include "chat/ChatLine.h"
#include "chat/ChatLog.h"
#include "chat/ChatSession.h"
#include "ui/ChatView.h"
#include "ui/Icons.h"
#include "ui/LogSearch.h"
#include "ui/MessageBoxes.h"
#include "ui/ResultTextView.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int kTopBarHeight = 61;
constexpr int kSideColumnMin = 180;
constexpr int kInputMaxLength = 200;
constexpr int kChatHeaderHeight = 28;
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
    showOpen(false);
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
    m_close->setAccessibleName(tr("Close chat"));
    connect(m_close, &QToolButton::clicked, this, &ChatPanel::closeChannelClicked);

    m_title = new QLabel(tr("Channel offline"), m_topBar);
    m_title->setObjectName(QStringLiteral("chatTitle"));
    // The server's name as it is, markup and all.
    m_title->setTextFormat(Qt::PlainText);
    m_title->setAlignment(Qt::AlignCenter);

    m_options = new QToolButton(m_topBar);
    m_options->setIcon(Icons::options());
    m_options->setIconSize(QSize(28, 28));
    m_options->setToolTip(tr("Options"));
    m_options->setAccessibleName(tr("Options"));
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
    auto *header = new QWidget(column);
    header->setFixedHeight(kChatHeaderHeight);
    auto *heading = new QLabel(tr(" RCON logfile :"), header);
    heading->setObjectName(QStringLiteral("heading"));
    auto *headerLayout = new QHBoxLayout(header);
    headerLayout->setContentsMargins(0, 0, 0, 0);
    headerLayout->addWidget(heading);
    headerLayout->addStretch(1);
    m_chatView = new ChatView(column);
    m_chatView->setAccessibleName(tr("Chat"));
    auto *result = new ResultTextView(column);
    result->setObjectName(QStringLiteral("searchResult"));
    result->setAccessibleName(tr("Chat search result"));
    m_input = new QLineEdit(column);
    m_input->setMaxLength(kInputMaxLength);
    m_input->setPlaceholderText(tr("Press enter to send"));
    layout->addWidget(header);
    layout->addWidget(m_chatView, 1);
    layout->addWidget(result, 1);
    layout->addWidget(m_input);
    buildSearch(header, heading, result);
    return column;
}

void ChatPanel::buildSearch(QWidget *header, QLabel *heading, ResultTextView *result) {
    // The texts are made again only after the chat changed: a copy of its lines is held while
    // the search is open, so any change of the chat leaves the copy behind.
    const auto lines = [this] {
        const ChatLog *log = m_chatView->chatLog();
        const QList<ChatLine> current = log ? log->lines() : QList<ChatLine>();
        if (current.constData() != m_searchedLines.constData() ||
            current.size() != m_searchedLines.size() || m_searchedTexts.size() != current.size()) {
            m_searchedLines = current;
            m_searchedTexts.clear();
            m_searchedTexts.reserve(current.size());
            for (const ChatLine &line : current)
                m_searchedTexts << line.displayText();
        }
        return m_searchedTexts;
    };
    const auto show = [result](const QStringList &hits) { result->setLines(hits); };
    // A third of the chat area, at the right end of the header; the heading stays readable.
    const int headingEnd = heading->sizeHint().width() + 8;
    const auto placement = [this, headingEnd](const QWidget *bar) {
        const int room = std::max(0, bar->width() - headingEnd - 24);
        const int width = std::min(m_splitter->width() / 3, room);
        return QRect(bar->width() - width, (bar->height() - 22) / 2, width, 22);
    };
    m_search = new LogSearch(header, m_chatView, result, lines, show, placement, this);
    m_search->setLeftLimit(headingEnd);
    m_search->field()->setAccessibleName(tr("Search chat"));
    m_search->field()->setEnabled(false);
    connect(m_search, &LogSearch::closed, m_chatView, [this] {
        m_searchedLines.clear();
        m_searchedTexts.clear();
        m_chatView->setFocus();
        m_chatView->scrollToEnd();
    });
}

QWidget *ChatPanel::buildSideColumn() {
    auto *column = new QWidget(this);
    column->setMinimumWidth(kSideColumnMin);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(3, 6, 6, 6);

    m_players = new QTreeWidget(column);
    m_players->setHeaderLabels({tr("Player online")});
    m_players->setRootIsDecorated(false);
    // Kept in ascending text order by the list itself; its header does not sort.
    m_players->setSortingEnabled(true);
    m_players->sortByColumn(0, Qt::AscendingOrder);
    m_players->header()->setSectionsClickable(false);
    m_players->header()->setSortIndicatorShown(false);
    m_players->header()->setStretchLastSection(false);
    // Its width follows the list alone (see eventFilter), never a drag.
    m_players->header()->setSectionResizeMode(0, QHeaderView::Fixed);
    m_players->installEventFilter(this);
    layout->addWidget(m_players, 1);

    auto *nameLabel = new QLabel(tr(" Server chat name:"), column);
    m_name = new QLineEdit(tr("Admin"), column);
    layout->addWidget(nameLabel);
    layout->addWidget(m_name);

    auto *buttons = new QHBoxLayout;
    m_send = new QPushButton(tr("Send"), column);
    m_send->setToolTip(tr("Enter"));
    m_broadcast = new QPushButton(tr("Broadcast"), column);
    // Two halves of the row, "Broadcast" at its right edge.
    buttons->addWidget(m_send, 1);
    buttons->addWidget(m_broadcast, 1);
    layout->addLayout(buttons);
    m_send->setEnabled(false);
    m_broadcast->setEnabled(false);
    m_input->setEnabled(false);
    return column;
}

void ChatPanel::setSession(ChatSession *session) {
    if (m_session)
        m_session->disconnect(this);
    m_session = session;
    if (!m_session) {
        m_chatView->setChatLog(nullptr);
        showOpen(false);
        return;
    }
    m_chatView->setChatLog(m_session->chatLog());
    connect(m_session, &ChatSession::chatOpened, this, [this] { showOpen(true); });
    connect(m_session, &ChatSession::chatClosed, this, [this] { showOpen(false); });
    connect(m_session, &ChatSession::chatPlayersChanged, this, &ChatPanel::fillPlayers);
    connect(m_session, &ChatSession::scrollToEndRequested, m_chatView, &ChatView::scrollToEnd);
    connect(m_session, &ChatSession::waitingChanged, this, &ChatPanel::setWorking);
    connect(m_close, &QToolButton::clicked, m_session, &ChatSession::chataus, Qt::UniqueConnection);
    connect(m_input, &QLineEdit::returnPressed, this, &ChatPanel::sendInput, Qt::UniqueConnection);
    connect(m_send, &QPushButton::clicked, this, &ChatPanel::sendInput, Qt::UniqueConnection);
    connect(m_broadcast, &QPushButton::clicked, this, &ChatPanel::broadcastInput,
            Qt::UniqueConnection);
    connect(m_chatView, &ChatView::deleteLogfileRequested, this, &ChatPanel::confirmDeleteLogfile,
            Qt::UniqueConnection);
    showOpen(m_session->isOpen());
    fillPlayers(m_session->chatPlayers());
}

void ChatPanel::showOpen(bool open) {
    setTitle(m_session && open ? m_session->chatLabel() : ChatSession::offlineLabel());
    // The close icon shows its "offline" picture while no chat is open.
    m_close->setIcon(open ? Icons::closeChannel()
                          : QIcon(Icons::closeChannel().pixmap(QSize(28, 28), QIcon::Disabled)));
    if (!open)
        m_input->clear();
    m_input->setEnabled(open);
    m_send->setEnabled(open);
    m_broadcast->setEnabled(open);
    m_chatView->setDeleteLogfileAllowed(open);
    // Each chat opened or closed starts without a search; the box waits for an open chat.
    m_search->close();
    m_search->field()->setEnabled(open);
    if (open) {
        m_chatView->scrollToEnd();
        m_input->setFocus();
    }
}

void ChatPanel::sendInput() {
    if (!m_session)
        return;
    const QString text = m_input->text();
    m_input->clear();
    m_session->sendChat(text, chatName());
}

void ChatPanel::broadcastInput() {
    if (!m_session)
        return;
    const QString text = m_input->text();
    m_input->clear();
    m_session->sendBroadcast(text);
}

void ChatPanel::fillPlayers(const QStringList &names) {
    m_players->clear();
    for (const QString &name : names)
        new QTreeWidgetItem(m_players, QStringList{name});
}

void ChatPanel::setWorking(bool working) {
    if (!working) {
        if (m_working)
            m_working->hide();
        return;
    }
    if (!m_working) {
        m_working = new QLabel(tr("working..."), window(),
                               Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        m_working->setObjectName(QStringLiteral("workingWindow"));
        m_working->setAlignment(Qt::AlignCenter);
        m_working->setFixedSize(160, 48);
    }
    const QWidget *main = window();
    m_working->move(main->geometry().center() -
                    QPoint(m_working->width() / 2, m_working->height() / 2));
    m_working->show();
    m_working->raise();
}

void ChatPanel::confirmDeleteLogfile() {
    if (!m_session || !m_session->isOpen())
        return;
    const QString text = tr("Delete logfile from Server: \"%1\"?").arg(m_session->chatLabel());
    if (MessageBoxes::confirm(this, text))
        m_session->deleteLogfile();
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
    // A resized chat area shows the newest lines.
    QScrollBar *bar = m_chatView->verticalScrollBar();
    bar->setValue(bar->maximum());
}

bool ChatPanel::eventFilter(QObject *watched, QEvent *event) {
    // The one column spans the list, less room for its scroll bar.
    if (watched == m_players && event->type() == QEvent::Resize)
        m_players->setColumnWidth(0, std::max(0, m_players->width() - 30));
    return QWidget::eventFilter(watched, event);
}

void ChatPanel::updateTopBar() {
    // A narrow bar drops the title first, then the close icon.
    const int width = m_topBar->width();
    m_title->setVisible(width >= m_title->sizeHint().width() + 208);
    m_close->setVisible(width >= 180);
}
