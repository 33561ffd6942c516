#include "ui/MainWindow.h"

#include "base/ProgramState.h"
#include "chat/BackgroundWatch.h"
#include "chat/ChatSession.h"
#include "commands/CommandQueue.h"
#include "commands/QueueModel.h"
#include "console/Console.h"
#include "console/Settings.h"
#include "monitor/PlayerListModel.h"
#include "monitor/PlayerTracker.h"
#include "monitor/PollCycle.h"
#include "servers/ServerListModel.h"
#include "ui/BansPanel.h"
#include "ui/ChatPanel.h"
#include "ui/ChatView.h"
#include "ui/CommandField.h"
#include "ui/ComputerName.h"
#include "ui/ConsolePanel.h"
#include "ui/Crosshair.h"
#include "ui/DemoMode.h"
#include "ui/HelpPage.h"
#include "ui/IconProxyModel.h"
#include "ui/Icons.h"
#include "ui/LogPanel.h"
#include "ui/LogSearch.h"
#include "ui/MenuBar.h"
#include "ui/NotificationPresenter.h"
#include "ui/OptionsDialog.h"
#include "ui/PlayerMenu.h"
#include "ui/QueueCountdownModel.h"
#include "ui/QueueMenu.h"
#include "ui/ScriptMenu.h"
#include "ui/ScriptSelectionDialog.h"
#include "ui/ServerCommands.h"
#include "ui/ServerListView.h"
#include "ui/ServerMenu.h"
#include "ui/StatisticsPanel.h"
#include "ui/StatusPanels.h"

#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr int kListMinHeight = 120;
constexpr int kLeftColumnMin = 100;
constexpr int kLogPaneMin = 220;
constexpr int kStatusMessageMs = 8000;

// Without a model of its own the view gets an empty one with these column captions.
QTreeView *makeListView(const QStringList &columns, QWidget *parent,
                        QAbstractItemModel *model = nullptr) {
    auto *view = new QTreeView(parent);
    if (!model) {
        auto *captions = new QStandardItemModel(0, int(columns.size()), view);
        captions->setHorizontalHeaderLabels(columns);
        model = captions;
    }
    view->setModel(model);
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setMinimumHeight(kListMinHeight);
    view->header()->setStretchLastSection(true);
    return view;
}

template <size_t N> void setColumnWidths(QTreeView *view, const std::array<int, N> &widths) {
    for (size_t i = 0; i < N; ++i)
        view->setColumnWidth(int(i), widths[i]);
}

// Widths wider than the pane would hide the start times: the other columns shrink until all of
// them fit, the start time keeping room for a time and its countdown.
void fitQueueColumns(QTreeView *view) {
    const int columns = view->header()->count();
    const int available = view->viewport()->width();
    int total = 0;
    for (int i = 0; i < columns; ++i)
        total += view->columnWidth(i);
    if (available <= 0 || total <= available)
        return;
    const int keep = QueueModel::StartTimeColumn;
    const int timeWidth =
        view->fontMetrics().horizontalAdvance(QStringLiteral("00.00.0000 00:00:00  (in 59 min)")) +
        2 * view->style()->pixelMetric(QStyle::PM_HeaderMargin) + 8;
    view->setColumnWidth(keep, qMax(qMin(view->columnWidth(keep), available / 2), timeWidth));
    const int room = qMax(0, available - view->columnWidth(keep));
    int othersTotal = 0;
    for (int i = 0; i < columns; ++i) {
        if (i != keep)
            othersTotal += view->columnWidth(i);
    }
    if (othersTotal <= room)
        return;
    constexpr int kNarrowest = 40;
    for (int i = 0; i < columns; ++i) {
        if (i != keep)
            view->setColumnWidth(i, qMax(kNarrowest, view->columnWidth(i) * room / othersTotal));
    }
}

template <size_t N> void readColumnWidths(const QTreeView *view, std::array<int, N> &widths) {
    for (size_t i = 0; i < N; ++i)
        widths[i] = view->columnWidth(int(i));
}
} // namespace

MainWindow::MainWindow(Console *console, QWidget *parent)
    : QMainWindow(parent)
    , m_console(console) {
    setWindowTitle(tr("Corvid RCON Admin"));
    setWindowIcon(Icons::application());

    m_mainSplitter = new QSplitter(Qt::Horizontal, this);
    m_mainSplitter->setChildrenCollapsible(false);
    m_mainSplitter->addWidget(buildLeftColumn());

    m_rightSplitter = new QSplitter(Qt::Vertical, m_mainSplitter);
    m_rightSplitter->setChildrenCollapsible(false);
    m_chat = new ChatPanel(m_rightSplitter);
    m_chat->setSession(console->chat());
    m_logPanel = new LogPanel(console->programLog(), console->statistics(), m_rightSplitter);
    m_logPanel->setMinimumHeight(kLogPaneMin);
    m_rightSplitter->addWidget(m_chat);
    m_rightSplitter->addWidget(m_logPanel);
    m_rightSplitter->setStretchFactor(0, 1);
    m_rightSplitter->setStretchFactor(1, 0);
    m_mainSplitter->addWidget(m_rightSplitter);
    m_mainSplitter->setStretchFactor(0, 0);
    m_mainSplitter->setStretchFactor(1, 1);
    setCentralWidget(m_mainSplitter);

    m_status = new StatusPanels(statusBar(), this);
    buildTray();
    new NotificationPresenter(m_console->notifier(), m_tray, this, this);
    m_optionsDialog = new OptionsDialog(m_console, this);
    connect(m_chat, &ChatPanel::optionsClicked, m_optionsDialog,
            [this] { m_optionsDialog->openOn(OptionsDialog::Tab::Options); });
    // The updater waits for this process to end.
    connect(m_optionsDialog, &OptionsDialog::restartRequested, this, &QWidget::close);
    connectMonitoring();
    connectCommands();
    buildConsoleTabs();
    buildMenuBar();
    m_crosshair = new Crosshair(console->state(), this);
    connect(console->state(), &ProgramState::optionsChanged, this, &MainWindow::followOptions);
    if (ComputerName::isDemoComputer())
        m_demo = new DemoMode(console, m_crosshair, {m_chat, m_serverView, m_playerView, m_status},
                              this);
}

void MainWindow::connectCommands() {
    m_serverCommands = new ServerCommands(m_console->queue(), m_serverMenu, this);
    connect(m_serverCommands, &ServerCommands::logSearchRequested, m_logPanel,
            &LogPanel::setSearchText);
    m_scriptMenu = new ScriptMenu(m_console->scripts(), m_console->queue(), m_serverMenu, this);
    connect(m_scriptMenu->selectionDialog(), &ScriptSelectionDialog::message, m_console,
            &Console::message);
    m_serverMenu->setScriptMenu(m_scriptMenu);
    connect(m_scriptMenu, &ScriptMenu::optionsRequested, m_optionsDialog,
            [this] { m_optionsDialog->openOn(OptionsDialog::Tab::Scripts); });
    m_queueMenu = new QueueMenu(m_console->queue(), m_queueView, this);
    m_playerMenu = new PlayerMenu(m_console, m_playerView, PlayerMenu::Source::PlayerList, this);
    m_chatPlayerMenu =
        new PlayerMenu(m_console, m_chat->playersOnline(), PlayerMenu::Source::ChatPlayers, this);
}

void MainWindow::buildConsoleTabs() {
    m_consolePanel = new ConsolePanel(m_console->consoleSession(), m_console->servers(),
                                      m_console->playerList(), m_logPanel);
    m_logPanel->addTab(m_consolePanel, tr("Console"));
    m_bansPanel = new BansPanel(m_console->bans(), m_console->consoleSession(), m_logPanel);
    m_logPanel->addTab(m_bansPanel, tr("Bans"));
    connect(m_serverView->selectionModel(), &QItemSelectionModel::currentRowChanged, m_consolePanel,
            [this](const QModelIndex &current) {
                m_consolePanel->followSelectedServer(
                    current.isValid()
                        ? current.siblingAtColumn(ServerListModel::NameColumn).data().toString()
                        : QString());
            });
    m_focusConsole = new QAction(tr("Console command"), this);
    m_focusConsole->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_QuoteLeft));
    m_focusConsole->setShortcutContext(Qt::WindowShortcut);
    connect(m_focusConsole, &QAction::triggered, this, &MainWindow::focusConsole);
    addAction(m_focusConsole);
}

void MainWindow::focusConsole() {
    // As the View menu's "Statistics" does: the pane shows, and the option says so.
    m_console->settings()->setShowProgramLog(true);
    if (!m_logPanel->isVisibleTo(this))
        setProgramLogVisible(true);
    m_logPanel->setCurrentWidget(m_consolePanel);
    m_consolePanel->commandField()->setFocus(Qt::ShortcutFocusReason);
}

void MainWindow::buildMenuBar() {
    m_menus = new MenuBar(
        menuBar(), {m_serverMenu, m_serverCommands, m_scriptMenu, m_playerMenu, m_queueMenu}, this);
    Settings *settings = m_console->settings();
    connect(m_menus, &MenuBar::quitRequested, this, &QWidget::close);
    connect(m_menus, &MenuBar::searchLogRequested, this, &MainWindow::focusLogSearch);
    connect(m_menus, &MenuBar::statisticsRequested, this, [this] {
        m_console->settings()->setShowProgramLog(true);
        m_logPanel->setCurrentWidget(m_logPanel->statisticsPage());
    });
    connect(m_menus, &MenuBar::showProgramLogChanged, settings, &Settings::setShowProgramLog);
    connect(m_menus, &MenuBar::showPasswordsChanged, settings, &Settings::setShowPasswords);
    connect(m_menus, &MenuBar::optionsRequested, m_optionsDialog,
            [this] { m_optionsDialog->openOn(OptionsDialog::Tab::Options); });
    connect(m_menus, &MenuBar::scriptsRequested, m_optionsDialog,
            [this] { m_optionsDialog->openOn(OptionsDialog::Tab::Scripts); });
    connect(m_menus, &MenuBar::schedulesRequested, m_optionsDialog,
            [this] { m_optionsDialog->openOn(OptionsDialog::Tab::Schedules); });
    connect(m_menus, &MenuBar::aboutRequested, m_optionsDialog,
            [this] { m_optionsDialog->openOn(OptionsDialog::Tab::About); });
    connect(m_menus, &MenuBar::helpRequested, this, &MainWindow::showHelp);
    connect(m_serverMenu, &ServerMenu::statusMessage, this,
            [this](const QString &text) { statusBar()->showMessage(text, kStatusMessageMs); });
    const ProgramOptions &options = m_console->state()->options();
    m_menus->setShowProgramLog(options.showProgramLog);
    m_menus->setShowPasswords(options.showPasswords);
    m_menus->viewMenu()->addAction(m_focusConsole);
}

void MainWindow::showHelp() {
    if (!m_help)
        m_help = new HelpPage(m_console->folder(), this);
    m_help->showPage();
}

void MainWindow::focusLogSearch() {
    m_console->settings()->setShowProgramLog(true);
    m_logPanel->setCurrentIndex(0);
    QLineEdit *field = m_logPanel->search()->field();
    field->setFocus(Qt::ShortcutFocusReason);
    field->selectAll();
}

void MainWindow::bringToFront() {
    if (!isVisible() && m_tray && m_tray->isVisible()) {
        showFromTray();
        return;
    }
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void MainWindow::followOptions() {
    const ProgramOptions &options = m_console->state()->options();
    m_menus->setShowProgramLog(options.showProgramLog);
    m_menus->setShowPasswords(options.showPasswords);
    if (m_serverView->showPasswords() != options.showPasswords)
        m_serverView->setShowPasswords(options.showPasswords);
    if (m_logPanel->isVisibleTo(this) != options.showProgramLog) {
        setProgramLogVisible(options.showProgramLog);
        // The chat view shows its last line again once the pane's change is laid out.
        QTimer::singleShot(0, m_chat->chatView(), &ChatView::scrollToEnd);
    }
}

void MainWindow::connectMonitoring() {
    const PollCycle *poll = m_console->pollCycle();
    connect(poll, &PollCycle::visitActiveChanged, m_status, &StatusPanels::setVisitActive);
    connect(poll, &PollCycle::serversOnlineChanged, m_status, &StatusPanels::setServersOnline);
    connect(m_console->players(), &PlayerTracker::playersOnlineChanged, m_status,
            [this](int count) { m_status->setPlayersOnline(tr("%1 Player online").arg(count)); });

    ChatSession *chat = m_console->chat();
    connect(m_console->backgroundWatch(), &BackgroundWatch::statusTextChanged, m_status,
            &StatusPanels::setBackgroundWatch);
    // While the chat waits for the background watch, the lists take no further clicks.
    connect(chat, &ChatSession::waitingChanged, m_leftSplitter,
            [this](bool waiting) { m_leftSplitter->setEnabled(!waiting); });
}

QWidget *MainWindow::buildLeftColumn() {
    m_leftSplitter = new QSplitter(Qt::Vertical, this);
    m_leftSplitter->setChildrenCollapsible(false);
    m_leftSplitter->setMinimumWidth(kLeftColumnMin);
    m_serverView = new ServerListView(m_console->servers(), m_leftSplitter);
    m_serverView->setMinimumHeight(kListMinHeight);
    // Also the list's double-click (chat), Delete key and Menu key.
    m_serverMenu = new ServerMenu(m_console, m_serverView, this);
    auto *countdown = new QueueCountdownModel(QueueModel::StartTimeColumn, this);
    countdown->setSourceModel(m_console->queueModel());
    auto *queue = new IconProxyModel(QueueModel::IconIndexRole, this);
    queue->setSourceModel(countdown);
    m_queueView = makeListView({}, m_leftSplitter, queue);
    m_queueView->setAccessibleName(tr("Command queue"));
    auto *players = new IconProxyModel(PlayerListModel::IconIndexRole, this);
    players->setSourceModel(m_console->playerList());
    m_playerView = makeListView({}, m_leftSplitter, players);
    // A header click sorts the list; the header of the sort column shows the direction.
    m_queueView->header()->setSectionsClickable(true);
    connect(m_queueView->header(), &QHeaderView::sectionClicked, m_console->queueModel(),
            &QueueModel::headerClicked);
    m_playerView->header()->setSectionsClickable(true);
    connect(m_playerView->header(), &QHeaderView::sectionClicked, m_console->playerList(),
            &PlayerListModel::headerClicked);
    m_leftSplitter->addWidget(m_serverView);
    m_leftSplitter->addWidget(m_queueView);
    m_leftSplitter->addWidget(m_playerView);
    m_leftSplitter->setStretchFactor(1, 1);
    return m_leftSplitter;
}

void MainWindow::buildTray() {
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return;
    m_tray = new QSystemTrayIcon(Icons::application(), this);
    m_tray->setToolTip(windowTitle());
    auto *menu = new QMenu(this);
    menu->addAction(tr("Show"), this, &MainWindow::showFromTray);
    menu->addAction(tr("Close"), this, &QWidget::close);
    m_tray->setContextMenu(menu);
    connect(m_tray, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick)
                    showFromTray();
            });
}

void MainWindow::runStartUp() {
    if (m_startedUp)
        return;
    m_startedUp = true;
    m_console->start();

    const AppSettings::Values &settings = m_console->startSettings();
    setProgramLogVisible(settings.options.showProgramLog);
    m_chat->setChatName(settings.chatName);
    if (m_console->hadSettingsFile())
        applyLayout(settings.layout);
    else
        applyDefaultLayout();
    keepReachable();
    followQueueColumnWidths();
    m_status->setServersOnline(tr("0/%1 Server online").arg(m_console->servers()->serverCount()));
    m_status->setPlayersOnline(tr("0 Player online"));
    m_status->setBackgroundWatch(m_console->backgroundWatch()->statusText());
}

void MainWindow::followQueueColumnWidths() {
    // The queue file stores the widths too and is written with every change of the queue, so
    // its widths are the newer ones whenever it exists; app.ini's apply without it.
    setColumnWidths(m_queueView, m_console->queueColumnWidths());
    // Widths that app.ini or the queue file gave are the operator's; the built-in ones fit.
    if (!m_console->hadSettingsFile() && !m_console->queue()->loadedColumnWidths())
        QTimer::singleShot(0, m_queueView, [view = m_queueView] { fitQueueColumns(view); });
    connect(m_queueView->header(), &QHeaderView::sectionResized, this, [this] {
        Console::QueueColumnWidths widths;
        readColumnWidths(m_queueView, widths);
        m_console->setQueueColumnWidths(widths);
    });
}

void MainWindow::applyDefaultLayout() {
    WindowLayout layout;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    layout.width = 1250;
    layout.height = 750;
    layout.left = screen.width() / 2 - 625;
    layout.top = screen.height() / 2 - 375;
    layout.p1w = layout.width / 2;
    layout.p12w = 180;
    layout.p4h = 233;
    layout.lv2lastsort = 1; // the player count, ascending, with no icon shown
    layout.lv2lastimage = 0;
    const int listHeight = (layout.height - 80) / 3;
    layout.lv2height = listHeight;
    layout.lv1height = listHeight;
    applyLayout(layout);
}

void MainWindow::applyLayout(const WindowLayout &layout) {
    setGeometry(layout.left, layout.top, layout.width, layout.height);
    const int leftTotal = std::max(layout.height - 60, 3 * kListMinHeight);
    m_leftSplitter->setSizes(
        {layout.lv2height,
         std::max(kListMinHeight, leftTotal - layout.lv2height - layout.lv1height),
         layout.lv1height});
    setColumnWidths(m_serverView, layout.lv2col);
    setColumnWidths(m_playerView, layout.lv1col);
    setColumnWidths(m_queueView, layout.lv4col);
    m_mainSplitter->setSizes({layout.p1w, std::max(layout.width - layout.p1w, 200)});
    m_chat->setSideColumnWidth(layout.p12w);
    const int rightTotal = std::max(layout.height - 60, kLogPaneMin + 100);
    m_logPaneHeight = layout.p4h;
    m_rightSplitter->setSizes({std::max(rightTotal - layout.p4h, 100), layout.p4h});
}

WindowLayout MainWindow::currentLayout() const {
    WindowLayout layout;
    const bool hiddenInTray = !isVisible() && m_tray && m_tray->isVisible();
    const QPoint topLeft = hiddenInTray ? m_trayPlacement : geometry().topLeft();
    layout.left = topLeft.x();
    layout.top = topLeft.y();
    layout.width = width();
    layout.height = height();
    const QList<int> left = m_leftSplitter->sizes();
    layout.lv2height = left.value(0);
    layout.lv1height = left.value(2);
    readColumnWidths(m_serverView, layout.lv2col);
    readColumnWidths(m_playerView, layout.lv1col);
    readColumnWidths(m_queueView, layout.lv4col);
    layout.p1w = m_mainSplitter->sizes().value(0);
    layout.p12w = m_chat->sideColumnWidth();
    layout.p4h = m_logPanel->isHidden() ? m_logPaneHeight : m_rightSplitter->sizes().value(1);
    layout.lv2lastsort = m_console->servers()->sortColumn();
    layout.lv2lastimage = m_console->servers()->sortIcon();
    return layout;
}

void MainWindow::keepReachable() {
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    QRect frame = geometry();
    if (frame.left() >= desktop.width() - 50)
        frame.moveLeft(10);
    if (frame.top() > desktop.height())
        frame.moveTop(30);
    setGeometry(frame);
}

void MainWindow::setProgramLogVisible(bool visible) {
    const bool shown = m_logPanel->isVisibleTo(this);
    // The pane keeps its height while hidden, for when it is shown again.
    if (!visible && shown && isVisible())
        m_logPaneHeight = m_rightSplitter->sizes().value(1);
    m_logPanel->setVisible(visible);
    if (visible && !shown && m_logPaneHeight > 0) {
        const int total = std::max(m_rightSplitter->height(), m_logPaneHeight + 100);
        m_rightSplitter->setSizes({total - m_logPaneHeight, m_logPaneHeight});
    }
}

void MainWindow::runExitSequence() {
    if (m_exited)
        return;
    m_exited = true;
    if (m_startedUp)
        m_console->shutDown(currentLayout(), m_chat->chatName());
    else
        m_console->shutDown();
    if (m_tray)
        m_tray->hide();
    emit exitFinished();
}

void MainWindow::closeEvent(QCloseEvent *event) {
    runExitSequence();
    event->accept();
}

void MainWindow::changeEvent(QEvent *event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized())
        return;
    if (!m_console->state()->options().minimizeToTray || !m_tray)
        return;
    m_trayPlacement = geometry().topLeft();
    m_trayState = static_cast<QWindowStateChangeEvent *>(event)->oldState();
    m_tray->show();
    // Hiding from inside the state change would fight the window manager's own handling.
    QTimer::singleShot(0, this, &QWidget::hide);
}

void MainWindow::showFromTray() {
    setWindowState(m_trayState & ~Qt::WindowMinimized);
    setGeometry(QRect(m_trayPlacement, size()));
    show();
    if (m_tray)
        m_tray->hide();
    raise();
    activateWindow();
}
