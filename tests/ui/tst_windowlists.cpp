// The window's lists as the operator uses them: header clicks that sort (and, for the server
// list, persist), the server menu's enabling for every status, password masking, the resize
// rules of the placeholder, top bar and player-online list, and the demonstration mode.
#include "base/IconIndex.h"
#include "base/IniFile.h"
#include "base/Intervals.h"
#include "base/ProgramLog.h"
#include "chat/ChatLog.h"
#include "commands/CommandQueue.h"
#include "commands/QueueModel.h"
#include "console/Console.h"
#include "monitor/PlayerListModel.h"
#include "monitor/PollCycle.h"
#include "servers/ServerListFile.h"
#include "servers/ServerListModel.h"
#include "servers/TableFile.h"
#include "ui/ChatPanel.h"
#include "ui/ChatView.h"
#include "ui/ComputerName.h"
#include "ui/Crosshair.h"
#include "ui/DemoMode.h"
#include "ui/Icons.h"
#include "ui/MainWindow.h"
#include "ui/MessageBoxes.h"
#include "ui/PasswordDelegate.h"
#include "ui/ServerListView.h"
#include "ui/ServerMenu.h"
#include "ui/StatusPanels.h"
#include "ui/Theme.h"

#include "TestFiles.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QSplitter>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {
struct Server {
    QString name, host, port, password;
};

// The window over a server.dat of `servers`, after its start-up; `ini` is app.ini when given.
struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<Console> console;
    std::unique_ptr<MainWindow> window;

    explicit Fixture(const QList<Server> &servers, const QByteArray &ini = QByteArray()) {
        StringTable table = ServerListFile::emptyTable();
        for (const Server &s : servers)
            table.appendRow({s.name, s.host, s.port, s.password});
        if (!servers.isEmpty())
            SaveStringGrid(table, file(QStringLiteral("server.dat")));
        if (!ini.isEmpty())
            writeBytes(file(QStringLiteral("app.ini")), ini);
        start();
    }
    ~Fixture() { stop(); }
    Fixture(const Fixture &) = delete;
    Fixture &operator=(const Fixture &) = delete;

    void start() {
        console = std::make_unique<Console>(dir.path());
        window = std::make_unique<MainWindow>(console.get());
        window->resize(1250, 750);
        window->show();
        window->runStartUp();
    }
    void stop() {
        if (window)
            window->runExitSequence();
        window.reset();
        console.reset();
    }
    void restart() {
        stop();
        start();
    }
    QString file(const QString &name) const { return dir.filePath(name); }
    ServerListModel *servers() const { return console->servers(); }
    ServerListView *view() const { return window->serverView(); }
    QStringList names(const QAbstractItemModel *model, int column = 0) const {
        QStringList list;
        for (int row = 0; row < model->rowCount(); ++row)
            list << model->index(row, column).data().toString();
        return list;
    }
    QStringList shownNames() const { return names(view()->model()); }
    QStringList savedNames() const {
        StringTable table;
        LoadStringGrid(table, file(QStringLiteral("server.dat")));
        QStringList list;
        for (int row = 1; row < table.rowCount(); ++row)
            list << table.cell(0, row);
        return list;
    }
    void select(const QString &name) const {
        const int row = servers()->rowOfName(name);
        view()->setCurrentIndex(view()->model()->index(row, 0));
    }
};

void clickHeader(QTreeView *view, int column) {
    QHeaderView *header = view->header();
    const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                    header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
}

// Which header sections show a picture.
QList<int> headerIcons(const QTreeView *view) {
    QList<int> sections;
    for (int column = 0; column < view->model()->columnCount(); ++column) {
        if (!view->model()->headerData(column, Qt::Horizontal, Qt::DecorationRole).isNull())
            sections << column;
    }
    return sections;
}

const QList<Server> kServers{
    {QStringLiteral("Alpha"), QStringLiteral("10.0.0.2"), QStringLiteral("27015"), QString()},
    {QStringLiteral("beta"), QStringLiteral("10.0.0.10"), QStringLiteral("9000"), QString()},
    {QStringLiteral("Gamma"), QStringLiteral("10.0.0.1"), QStringLiteral("27016"), QString()},
};
} // namespace

class TestWindowLists : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Theme::apply(*qApp);
        // The lists stay as the test sets them: no visit starts unless a test asks for one.
        Intervals::instance().visitStartFirstPassMs = 600000;
        Intervals::instance().visitStartMs = 600000;
    }
    void cleanup() { ComputerName::setForTesting(QString()); }

    void headerClicksSortTheServerListAndTheOrderSurvivesARestart() {
        Fixture f(kServers);
        // No settings file: sorted by the player count, ascending, with no icon; not re-sorted.
        QCOMPARE(f.shownNames(), (QStringList{"Alpha", "beta", "Gamma"}));
        QVERIFY(headerIcons(f.view()).isEmpty());
        // The selected server stays selected wherever a sort moves it.
        f.select(QStringLiteral("Alpha"));
        const auto selected = [&f] { return f.view()->currentIndex().data().toString(); };

        clickHeader(f.view(), ServerListModel::PortColumn);
        // Port 9000 before 27015: the port compares as an integer.
        QCOMPARE(f.shownNames(), (QStringList{"beta", "Alpha", "Gamma"}));
        QCOMPARE(selected(), QStringLiteral("Alpha"));
        QCOMPARE(headerIcons(f.view()), QList<int>{ServerListModel::PortColumn});
        QCOMPARE(f.savedNames(), f.shownNames());

        clickHeader(f.view(), ServerListModel::HostColumn);
        // The host compares as text: "10.0.0.10" before "10.0.0.2".
        QCOMPARE(f.shownNames(), (QStringList{"Gamma", "beta", "Alpha"}));
        QCOMPARE(selected(), QStringLiteral("Alpha"));
        QCOMPARE(headerIcons(f.view()), QList<int>{ServerListModel::HostColumn});
        const QIcon ascending =
            f.view()
                ->model()
                ->headerData(ServerListModel::HostColumn, Qt::Horizontal, Qt::DecorationRole)
                .value<QIcon>();

        // A second click reverses the order and switches the picture.
        clickHeader(f.view(), ServerListModel::HostColumn);
        QCOMPARE(f.shownNames(), (QStringList{"Alpha", "beta", "Gamma"}));
        const QIcon descending =
            f.view()
                ->model()
                ->headerData(ServerListModel::HostColumn, Qt::Horizontal, Qt::DecorationRole)
                .value<QIcon>();
        QCOMPARE(descending.pixmap(16).toImage(),
                 Icons::byIndex(IconIndex::SortDescending).pixmap(16).toImage());
        QVERIFY(ascending.pixmap(16).toImage() != descending.pixmap(16).toImage());
        QCOMPARE(f.savedNames(), f.shownNames());
        const QByteArray shots = qgetenv("KVD_SCREENSHOT_DIR");
        if (!shots.isEmpty())
            f.view()->grab().save(QString::fromLocal8Bit(shots) +
                                  QStringLiteral("/server-list-sorted.png"));

        // Exit writes the sort state; the next start shows the saved order and the same picture.
        f.window->close();
        const IniFile ini(f.file(QStringLiteral("app.ini")));
        QCOMPARE(ini.readInt(QStringLiteral("Design"), QStringLiteral("lv2lastsort")),
                 int(ServerListModel::HostColumn));
        QCOMPARE(ini.readInt(QStringLiteral("Design"), QStringLiteral("lv2lastimage")),
                 int(IconIndex::SortDescending));
        f.restart();
        QCOMPARE(f.shownNames(), (QStringList{"Alpha", "beta", "Gamma"}));
        QCOMPARE(headerIcons(f.view()), QList<int>{ServerListModel::HostColumn});
        QCOMPARE(f.servers()->sortOrder(), Qt::DescendingOrder);
        // The stored direction is the one a further click reverses.
        clickHeader(f.view(), ServerListModel::HostColumn);
        QCOMPARE(f.shownNames(), (QStringList{"Gamma", "beta", "Alpha"}));
    }

    void unknownPlayerCountSortsWithZero() {
        Fixture f(kServers + QList<Server>{{QStringLiteral("Delta"), QStringLiteral("h"),
                                            QStringLiteral("1"), QString()}});
        f.servers()->setPlayerCount(0, QStringLiteral("3"));
        f.servers()->setPlayerCount(2, QStringLiteral("0"));
        f.servers()->setPlayerCount(3, QStringLiteral("12"));
        // beta keeps "-". The list starts on this column, ascending: the first click reverses.
        clickHeader(f.view(), ServerListModel::PlayerColumn);
        QCOMPARE(f.names(f.view()->model(), ServerListModel::PlayerColumn),
                 (QStringList{"12", "3", "-", "0"}));
        clickHeader(f.view(), ServerListModel::PlayerColumn);
        QCOMPARE(f.names(f.view()->model(), ServerListModel::PlayerColumn),
                 (QStringList{"-", "0", "3", "12"}));
    }

    void aSortSendsThePollCycleBackToTheFirstServer() {
        Intervals::instance().visitStartFirstPassMs = 10;
        Intervals::instance().visitStartMs = 10;
        const auto restore = qScopeGuard([] {
            Intervals::instance().visitStartFirstPassMs = 600000;
            Intervals::instance().visitStartMs = 600000;
        });
        // Unreachable servers: each visit ends at once with its refusal.
        QList<Server> servers;
        for (int i = 0; i < 3; ++i)
            servers << Server{QStringLiteral("S%1").arg(i), QStringLiteral("127.0.0.1"),
                              QStringLiteral("1"), QString()};
        Fixture f(servers);
        QTRY_VERIFY_WITH_TIMEOUT(f.console->pollCycle()->currentServerRow() > 1, 10000);
        clickHeader(f.view(), ServerListModel::NameColumn);
        QCOMPARE(f.console->pollCycle()->currentServerRow(), 1);
    }

    void queueAndPlayerHeadersSortTheirLists() {
        Fixture f({});
        CommandQueue *queue = f.console->queue();
        const QDateTime soon = QDateTime::currentDateTime().addSecs(3600);
        queue->QueueAppend(QStringLiteral("b"), QStringLiteral("cmd:1"), soon, QStringLiteral("Y"));
        queue->QueueAppend(QStringLiteral("a"), QStringLiteral("cmd:2"), soon.addSecs(-60),
                           QStringLiteral("Z"));
        QTreeView *view = f.window->queueView();
        QCOMPARE(f.names(view->model()), (QStringList{"b", "a"}));
        QVERIFY(!view->model()->index(0, 0).data(Qt::DecorationRole).isNull());

        clickHeader(view, QueueModel::StartTimeColumn);
        QCOMPARE(f.names(view->model()), (QStringList{"a", "b"}));
        QCOMPARE(f.names(f.window->queueView()->model(), 0), f.names(f.console->queueModel(), 0));
        QCOMPARE(headerIcons(view), QList<int>{QueueModel::StartTimeColumn});
        clickHeader(view, QueueModel::ServerColumn);
        QCOMPARE(f.names(view->model()), (QStringList{"b", "a"}));
        QCOMPARE(headerIcons(view), QList<int>{QueueModel::ServerColumn});
        QCOMPARE(queue->entry(0).scriptName, QStringLiteral("b")); // the queue itself moved

        QTreeView *players = f.window->playerView();
        clickHeader(players, PlayerListModel::ServerColumn);
        QCOMPARE(headerIcons(players), QList<int>{PlayerListModel::ServerColumn});
        QCOMPARE(f.console->playerList()->sortColumn(), int(PlayerListModel::ServerColumn));
    }

    void serverMenuFollowsTheSelectedServersStatus_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("online");
        QTest::newRow("Queue") << int(ServerState::Queue) << false;
        QTest::newRow("Online") << int(ServerState::Online) << true;
        QTest::newRow("Chat/Online") << int(ServerState::ChatOnline) << true;
        QTest::newRow("Timeout") << int(ServerState::Timeout) << false;
        QTest::newRow("Refused") << int(ServerState::Refused) << false;
        QTest::newRow("Untraceable") << int(ServerState::Untraceable) << false;
        QTest::newRow("Unknown") << int(ServerState::Unknown) << false;
        QTest::newRow("Bad login") << int(ServerState::BadLogin) << false;
        QTest::newRow("Erase") << int(ServerState::Erase) << false;
    }

    void serverMenuFollowsTheSelectedServersStatus() {
        QFETCH(int, state);
        QFETCH(bool, online);
        Fixture f(kServers);
        ServerMenu *menu = f.window->serverMenu();
        auto *command = new QAction(QStringLiteral("`Stop´"), menu);
        menu->addServerCommand(command);
        auto *scripts = new QMenu(QStringLiteral("Script"), menu);
        menu->setScriptMenu(scripts);
        f.servers()->setState(1, ServerState(state));
        f.select(QStringLiteral("beta"));
        menu->updateEnabling();
        QVERIFY(menu->newServerAction()->isEnabled()); // always offered
        QVERIFY(menu->editServerAction()->isEnabled());
        QVERIFY(menu->deleteServerAction()->isEnabled());
        QCOMPARE(command->isEnabled(), online);
        QCOMPARE(menu->chatAction()->isEnabled(), online);
        QCOMPARE(scripts->menuAction()->isEnabled(), online);

        // With nothing selected only "New server" is offered (no chat is open).
        f.view()->selectionModel()->clearSelection();
        menu->updateEnabling();
        QVERIFY(menu->newServerAction()->isEnabled());
        for (QAction *action : {menu->editServerAction(), menu->deleteServerAction(), command,
                                menu->chatAction(), scripts->menuAction()})
            QVERIFY2(!action->isEnabled(), qPrintable(action->text()));

        // Delete asks about the selected server, whatever state the menu was last opened in.
        f.select(QStringLiteral("beta"));
        MessageBoxes::setNextAnswer(QMessageBox::No);
        QTest::keyClick(f.view(), Qt::Key_Delete);
        QCOMPARE(MessageBoxes::lastText(), QStringLiteral("Server and logfile: `beta\u00b4 really "
                                                          "delete?"));
    }

    void passwordsAreMaskedFromFivePixelsIn_data() {
        QTest::addColumn<QString>("password");
        QTest::newRow("eight characters") << QStringLiteral("pa55word");
        QTest::newRow("empty") << QString();
    }

    void passwordsAreMaskedFromFivePixelsIn() {
        QFETCH(QString, password);
        QCOMPARE(PasswordDelegate::maskedText(password), QString(password.size(), '*'));
        Fixture f({{QStringLiteral("A"), QStringLiteral("h"), QStringLiteral("1"), password}});
        ServerListView *view = f.view();
        view->setColumnWidth(ServerListModel::PasswordColumn, 200);
        view->selectionModel()->clearSelection();
        const QRect cell =
            view->visualRect(view->model()->index(0, ServerListModel::PasswordColumn));
        const auto inked = [&]() {
            // Every pixel of the cell that is not the list's background.
            const QImage image = view->viewport()->grab(cell).toImage();
            const QColor background = image.pixelColor(image.width() - 1, image.height() - 1);
            QRect ink;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) {
                    if (image.pixelColor(x, y) != background)
                        ink |= QRect(x, y, 1, 1);
                }
            }
            return ink;
        };
        const QRect masked = inked();
        if (password.isEmpty()) {
            QVERIFY2(masked.isNull(), "an empty password shows nothing");
            return;
        }
        QVERIFY(!masked.isNull());
        // The first asterisk starts at the 5 px offset, its top no higher than 5 px down.
        QVERIFY2(masked.left() >= 5 && masked.left() <= 7,
                 qPrintable(QString::number(masked.left())));
        QVERIFY2(masked.top() >= 5, qPrintable(QString::number(masked.top())));
        const int eight = QFontMetrics(view->font()).horizontalAdvance(QString(8, '*'));
        QVERIFY(masked.width() <= eight && masked.width() >= eight - 4);

        // Shown, the password is drawn as the text it is: wider than the asterisks here.
        view->setShowPasswords(true);
        const QRect shown = inked();
        QVERIFY(shown != masked);
    }

    void placeholderIsHalfANarrowListAndATenthAsHigh_data() {
        QTest::addColumn<QSize>("list");
        QTest::addColumn<QRect>("placeholder");
        QTest::newRow("600 wide") << QSize(600, 300) << QRect(150, 135, 300, 30);
        QTest::newRow("999 wide") << QSize(999, 200) << QRect(250, 75, 499, 49);
        QTest::newRow("1200 wide") << QSize(1200, 400) << QRect(350, 175, 500, 50);
    }

    void placeholderIsHalfANarrowListAndATenthAsHigh() {
        QFETCH(QSize, list);
        QFETCH(QRect, placeholder);
        QCOMPARE(ServerListView::placeholderRect(list), placeholder);
        Fixture f({});
        QLabel *picture = f.view()->placeholder();
        QVERIFY(picture->isVisible());
        const QSize viewport = f.view()->viewport()->size();
        QCOMPARE(picture->geometry(), ServerListView::placeholderRect(viewport));
        QCOMPARE(picture->height(), picture->width() / 10);
    }

    void topBarDropsTheTitleThenTheCloseIcon() {
        QTemporaryDir dir;
        Console console(dir.path());
        ChatPanel panel;
        panel.setSession(console.chat());
        panel.setTitle(QStringLiteral("A rather long server name for a title"));
        panel.show();
        QWidget *title = panel.findChild<QLabel *>(QStringLiteral("chatTitle"));
        QVERIFY(title);
        const int titleWidth = title->sizeHint().width();
        panel.resize(titleWidth + 208, 400);
        QTRY_COMPARE(panel.width(), titleWidth + 208);
        QVERIFY(title->isVisible());
        QVERIFY(panel.closeButton()->isVisible());
        panel.resize(titleWidth + 207, 400);
        QTRY_VERIFY(!title->isVisible());
        QVERIFY(panel.closeButton()->isVisible());
        panel.setMinimumWidth(0);
        panel.resize(179, 400);
        if (panel.width() == 179) // a panel this narrow is below some styles' minimum
            QTRY_VERIFY(!panel.closeButton()->isVisible());
    }

    void playerOnlineColumnSpansTheListLessThirty() {
        Fixture f({});
        QTreeWidget *online = f.window->chatPanel()->playersOnline();
        QTRY_COMPARE(online->columnWidth(0), online->width() - 30);
        f.window->chatPanel()->setSideColumnWidth(260);
        QTRY_COMPARE(online->columnWidth(0), online->width() - 30);
    }

    void demonstrationModeOnlyOnQuimbex() {
        ComputerName::setForTesting(QStringLiteral("WORKSHOP-7"));
        Fixture elsewhere({});
        QVERIFY(!elsewhere.window->demoMode());
        QCOMPARE(elsewhere.window->chatPanel()->closeButton()->contextMenuPolicy(),
                 Qt::DefaultContextMenu);
    }

    void demonstrationModeFillsTheViewsWithMadeUpContent() {
        ComputerName::setForTesting(QStringLiteral("QUIMBEX"));
        Fixture f(kServers, "[pum1]\r\ncross=1\r\n");
        for (int i = 0; i < 40; ++i)
            f.console->programLog()->message(QStringLiteral("program log line %1").arg(i));
        const QByteArray serverFile = readBytes(f.file(QStringLiteral("server.dat")));
        DemoMode *demo = f.window->demoMode();
        QVERIFY(demo);
        QToolButton *close = f.window->chatPanel()->closeButton();
        QCOMPARE(close->contextMenuPolicy(), Qt::CustomContextMenu);
        QCOMPARE(demo->menu()->actions().size(), 1);
        QCOMPARE(demo->menu()->actions().constFirst()->text(), QStringLiteral("demomode"));
        QVERIFY(f.window->crosshair()->isShown());

        demo->menu()->actions().constFirst()->trigger();
        QVERIFY(demo->isRunning());
        QVERIFY(!f.console->pollCycle()->isWaitingForVisit());
        QVERIFY(!f.window->crosshair()->isShown());

        const QAbstractItemModel *servers = f.view()->model();
        QCOMPARE(servers->rowCount(), 6);
        QCOMPARE(servers->columnCount(), 6);
        QCOMPARE(servers->headerData(4, Qt::Horizontal).toString(), QStringLiteral("Rcon-Port"));
        const QRegularExpression host(
            QStringLiteral("^\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}\\.\\d{1,3}$"));
        for (int row = 0; row < 6; ++row) {
            const QString name = servers->index(row, 0).data().toString();
            QVERIFY(name.startsWith(QLatin1String("Testserver")));
            QVERIFY(name.mid(10).toInt() < 45439);
            QVERIFY(servers->index(row, 1).data().toString().toInt() < 9);
            QCOMPARE(servers->index(row, 2).data().toString(), QStringLiteral("Online"));
            QVERIFY(host.match(servers->index(row, 3).data().toString()).hasMatch());
            QCOMPARE(servers->index(row, 4).data().toString(), QStringLiteral("27013"));
            QVERIFY(!servers->index(row, 0).data(Qt::DecorationRole).isNull());
        }
        QVERIFY(!f.view()->placeholder()->isVisible());

        const QAbstractItemModel *players = f.window->playerView()->model();
        QCOMPARE(players->rowCount(), 17);
        for (int row = 0; row < 17; ++row) {
            QVERIFY(players->index(row, 1).data().toString().size() <= 17);
            QVERIFY(
                players->index(row, 2).data().toString().startsWith(QLatin1String("Testserver")));
            QCOMPARE(players->index(row, 3).data().toString(), QString());
        }
        QCOMPARE(f.window->chatPanel()->playersOnline()->topLevelItemCount(), 6);
        QCOMPARE(f.window->statusPanels()->playersOnline(), QStringLiteral("17 Player online"));

        const ChatLog *chat = f.window->chatPanel()->chatView()->chatLog();
        QCOMPARE(chat->lineCount(), 31);
        const QStringList &log = f.console->programLog()->lines();
        for (int k = 0; k < 31; ++k) {
            const QString piece = chat->lines().at(k).displayText();
            QVERIFY(piece.size() <= 29);
            QVERIFY2(log.at(k).contains(piece), qPrintable(piece));
        }

        // The made-up lists are the views' own: the server list and its file are untouched,
        // also by a header click.
        const QStringList shown = f.shownNames();
        clickHeader(f.view(), ServerListModel::HostColumn);
        QCOMPARE(f.shownNames(), shown);
        QCOMPARE(f.servers()->serverCount(), 3);
        QCOMPARE(readBytes(f.file(QStringLiteral("server.dat"))), serverFile);
        const QByteArray shots = qgetenv("KVD_SCREENSHOT_DIR");
        if (!shots.isEmpty())
            f.window->grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/demo.png"));
    }
};

QTEST_MAIN(TestWindowLists)
#include "tst_windowlists.moc"
