// The "Console" and "Bans" tabs in the window, against simulated game servers seen by the real
// poll cycle: a typed command and its whole answer, "All online servers" with one server offline,
// the history after a restart, Tab completion of a player, a ban then its unban from the list,
// the audit lines, and the keyboard's way in.
#include "commands/BanListModel.h"
#include "commands/CommandHistory.h"
#include "commands/ConsoleExchange.h"
#include "console/Console.h"
#include "console/ServerEditor.h"
#include "console/Settings.h"
#include "monitor/PlayerListModel.h"
#include "monitor/PollCycle.h"
#include "servers/ServerListModel.h"
#include "ui/BansPanel.h"
#include "ui/CommandField.h"
#include "ui/ConsoleOutputView.h"
#include "ui/ConsolePanel.h"
#include "ui/LogPanel.h"
#include "ui/MainWindow.h"
#include "ui/MessageBoxes.h"
#include "ui/ServerListView.h"
#include "ui/Theme.h"

#include "ConsoleFixture.h"
#include "SimServer.h"
#include "TestWait.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTreeView>
#include <QtTest>

#include <memory>

namespace {

constexpr int kWait = 15000;
const QString kBob = QStringLiteral("76561198000000004");
const QString kAnn = QStringLiteral("76561198000000005");

// The window over a started console with the simulated servers a test adds; the poll cycle
// finds them online (or not) as it would real ones.
struct Fixture : ConsoleFixture {
    std::unique_ptr<MainWindow> window;

    Fixture() { open(); }
    ~Fixture() {
        console->pollCycle()->stop();
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
    }
    void open() {
        window = std::make_unique<MainWindow>(console.get());
        window->show();
        window->runStartUp();
    }
    // The program ends and starts again on the same folder.
    void restart() {
        window->runExitSequence();
        window.reset();
        console = std::make_unique<Console>(dir.path());
        console->start();
        open();
    }
    SimServer *sim(const QString &name) {
        SimServer *server = startSim(name, QStringLiteral("pw"));
        console->serverEditor()->add(
            {name, server->host(), server->portText(), QStringLiteral("pw")});
        return server;
    }
    bool online(const QString &name) const {
        const int row = servers()->rowOfName(name);
        return row >= 0 && servers()->entry(row).isOnline();
    }
    ConsolePanel *panel() const { return window->consolePanel(); }
    CommandField *field() const { return panel()->commandField(); }
    QString output() const { return panel()->output()->toPlainText(); }
    void choose(const QString &server) const {
        QComboBox *chooser = panel()->serverChooser();
        chooser->setCurrentIndex(chooser->findText(server));
    }
    void type(const QString &command) const {
        field()->setFocus();
        field()->clear();
        QTest::keyClicks(field(), command);
        QTest::keyClick(field(), Qt::Key_Return);
    }
};

} // namespace

class TestConsolePanel : public QObject {
    Q_OBJECT

private slots:
    void answerAsTheOutputShowsIt_data();
    void answerAsTheOutputShowsIt();
    void commandShowsItsWholeAnswer();
    void allOnlineServersWithOneOffline();
    void historyAfterARestart();
    void tabCompletesAPlayerOnline();
    void banThenUnbanFromTheList();
    void keyboardReachesTheConsole();
    void screenshot();
};

void TestConsolePanel::answerAsTheOutputShowsIt_data() {
    QTest::addColumn<bool>("failed");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("shown");
    const QString noOutput = QStringLiteral("(no output)");
    QTest::newRow("no-output answer, padded, any case")
        << false << QStringLiteral("server received, but NO response!! \r\n ") << noOutput;
    QTest::newRow("empty answer") << false << QString() << noOutput;
    QTest::newRow("blank answer") << false << QStringLiteral("\n \n") << noOutput;
    QTest::newRow("CR LF and padding read as lines")
        << false << QStringLiteral("\r\n0. Bob, 1\r\n1. Ann, 2 \r\n\n ")
        << QStringLiteral("0. Bob, 1\n1. Ann, 2");
    QTest::newRow("blank lines inside stay")
        << false << QStringLiteral("a\n\nb\n") << QStringLiteral("a\n\nb");
    QTest::newRow("a failure shows its reason")
        << true << QStringLiteral("No answer in 15 s") << QStringLiteral("No answer in 15 s");
    QTest::newRow("a line longer than the view takes is cut into pieces")
        << false << QString(2 * ConsoleOutputView::kLongestLine + 5, QLatin1Char('x'))
        << QString(ConsoleOutputView::kLongestLine, QLatin1Char('x')) + QLatin1Char('\n') +
               QString(ConsoleOutputView::kLongestLine, QLatin1Char('x')) + QLatin1Char('\n') +
               QStringLiteral("xxxxx");
}

void TestConsolePanel::answerAsTheOutputShowsIt() {
    QFETCH(bool, failed);
    QFETCH(QString, answer);
    QFETCH(QString, shown);
    ConsoleExchange exchange;
    exchange.sent = QDateTime(QDate(2031, 6, 1), QTime(10, 0, 5));
    exchange.server = QStringLiteral("Alpha");
    exchange.command = QStringLiteral("ListPlayers");
    exchange.state = failed ? ConsoleExchange::State::Failed : ConsoleExchange::State::Answered;
    exchange.text = answer;
    ConsoleOutputView view;
    view.appendExchange(exchange);
    view.appendExchange(exchange);
    QTRY_VERIFY(view.isComplete());
    const QString one = QStringLiteral("[310601-100005] Alpha > ListPlayers\n") + shown;
    QCOMPARE(view.toPlainText(), one + QStringLiteral("\n\n") + one);
}

void TestConsolePanel::commandShowsItsWholeAnswer() {
    Fixture f;
    SimServer *alpha = f.sim(QStringLiteral("Alpha"));
    QString longAnswer;
    for (int i = 0; i < 3000; ++i)
        longAnswer += QStringLiteral("%1. Tribe member %1, 765611980%2\n")
                          .arg(i)
                          .arg(i, 8, 10, QLatin1Char('0'));
    alpha->setAnswerFor(QStringLiteral("GetTribeIdPlayerList"), longAnswer);
    alpha->setFault(SimServer::SplitAnswer); // as real servers send long answers
    QVERIFY(waitUntil([&] { return f.online(QStringLiteral("Alpha")); }, kWait));
    // The chooser starts on the server list's selected server.
    f.window->serverView()->setCurrentIndex(f.window->serverView()->model()->index(0, 0));
    QCOMPARE(f.panel()->chosenServer(), QStringLiteral("Alpha"));

    f.type(QStringLiteral("GetTribeIdPlayerList 1234"));
    QVERIFY(f.field()->text().isEmpty());
    f.type(QStringLiteral("SetTimeOfDay 12:00"));
    QVERIFY(waitUntil([&] { return f.output().contains(QStringLiteral("(no output)")); }, kWait));
    QVERIFY(waitUntil([&] { return f.panel()->output()->isComplete(); }, kWait));
    const QString text = f.output();
    QVERIFY(
        text.contains(QStringLiteral("] Alpha > GetTribeIdPlayerList 1234\n0. Tribe member 0,")));
    QVERIFY(text.contains(QStringLiteral("2999. Tribe member 2999, 76561198000002999\n")));
    QVERIFY(text.contains(QStringLiteral("] Alpha > SetTimeOfDay 12:00\n(no output)")));
    QVERIFY(!f.panel()->waitingLabel()->isVisible());
    const QStringList log = f.messages();
    QVERIFY(log.contains(QStringLiteral("Console command (Alpha):  GetTribeIdPlayerList 1234")));
    QVERIFY(log.contains(QStringLiteral("Console command (Alpha):  SetTimeOfDay 12:00")));
    QVERIFY(alpha->commands().contains(QStringLiteral("SetTimeOfDay 12:00")));

    // The same command twice in a row is on record twice.
    f.type(QStringLiteral("SaveWorld"));
    f.type(QStringLiteral("SaveWorld"));
    QVERIFY(waitUntil([&] { return alpha->commands().count(QStringLiteral("SaveWorld")) == 2; },
                      kWait));
    QCOMPARE(f.messages().count(QStringLiteral("Console command (Alpha):  SaveWorld")), 2);
}

void TestConsolePanel::allOnlineServersWithOneOffline() {
    Fixture f;
    SimServer *alpha = f.sim(QStringLiteral("Alpha"));
    SimServer *beta = f.sim(QStringLiteral("Beta"));
    beta->setFault(SimServer::RefuseLogin);
    QVERIFY(waitUntil(
        [&] {
            return f.online(QStringLiteral("Alpha")) &&
                   f.servers()->entry(f.servers()->rowOfName(QStringLiteral("Beta"))).state ==
                       ServerState::BadLogin;
        },
        kWait));
    f.panel()->serverChooser()->setCurrentIndex(0);
    QCOMPARE(f.panel()->serverChooser()->currentText(), QStringLiteral("All online servers"));
    QVERIFY(f.panel()->allOnlineChosen());
    f.type(QStringLiteral("SaveWorld"));
    QVERIFY(waitUntil([&] { return f.output().contains(QStringLiteral("World Saved")); }, kWait));
    const QString text = f.output();
    QVERIFY(text.contains(QStringLiteral("] Alpha > SaveWorld\nWorld Saved")));
    QVERIFY(text.contains(QStringLiteral("] Beta > SaveWorld\nServer offline")));
    QVERIFY(alpha->commands().contains(QStringLiteral("SaveWorld")));
    QVERIFY(!beta->commands().contains(QStringLiteral("SaveWorld")));
    QCOMPARE(f.messages().filter(QStringLiteral("Console command (")),
             QStringList{QStringLiteral("Console command (Alpha):  SaveWorld")});
}

void TestConsolePanel::historyAfterARestart() {
    Fixture f;
    f.sim(QStringLiteral("Alpha"));
    QVERIFY(waitUntil([&] { return f.online(QStringLiteral("Alpha")); }, kWait));
    for (const char *command : {"SetTimeOfDay 08:00", "ListPlayers", "SaveWorld", "SaveWorld"})
        f.type(QString::fromUtf8(command));
    f.restart();
    QCOMPARE(f.console->commandHistory()->entries(),
             QStringList({QStringLiteral("SetTimeOfDay 08:00"), QStringLiteral("ListPlayers"),
                          QStringLiteral("SaveWorld")}));
    CommandField *field = f.field();
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Up);
    QCOMPARE(field->text(), QStringLiteral("SaveWorld"));
    QTest::keyClick(field, Qt::Key_Up);
    QCOMPARE(field->text(), QStringLiteral("ListPlayers"));
    QTest::keyClick(field, Qt::Key_Down);
    QCOMPARE(field->text(), QStringLiteral("SaveWorld"));
    QTest::keyClick(field, Qt::Key_Down);
    QCOMPARE(field->text(), QString()); // back to what was typed
    // Typed text filters the walk.
    QTest::keyClicks(field, QStringLiteral("time"));
    QTest::keyClick(field, Qt::Key_Up);
    QCOMPARE(field->text(), QStringLiteral("SetTimeOfDay 08:00"));
    QTest::keyClick(field, Qt::Key_Up);
    QCOMPARE(field->text(), QStringLiteral("SetTimeOfDay 08:00"));
    // Ctrl+R lists the matching commands; Enter takes one and sends nothing.
    field->clear();
    QTest::keyClicks(field, QStringLiteral("s"));
    QTest::keyClick(field, Qt::Key_R, Qt::ControlModifier);
    QVERIFY(field->isOffering());
    QCOMPARE(field->offered(),
             QStringList({QStringLiteral("SaveWorld"), QStringLiteral("ListPlayers"),
                          QStringLiteral("SetTimeOfDay 08:00")}));
    QTest::keyClick(QApplication::activePopupWidget() ? QApplication::activePopupWidget()
                                                      : static_cast<QWidget *>(field),
                    Qt::Key_Return);
    QTRY_VERIFY(!field->isOffering());
    QCOMPARE(field->text(), QStringLiteral("SaveWorld"));
    QCOMPARE(f.console->commandHistory()->entries().size(), 3);
}

void TestConsolePanel::tabCompletesAPlayerOnline() {
    Fixture f;
    SimServer *alpha = f.sim(QStringLiteral("Alpha"));
    alpha->addPlayer(QStringLiteral("Bob"), kBob);
    alpha->addPlayer(QStringLiteral("Ann"), kAnn);
    QVERIFY(waitUntil([&] { return f.console->playerList()->rowCount() == 2; }, kWait));
    f.choose(QStringLiteral("Alpha"));
    CommandField *field = f.field();
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("kickp"));
    QTest::keyClick(field, Qt::Key_Tab);
    QCOMPARE(field->text(), QStringLiteral("KickPlayer "));
    QVERIFY(field->hasFocus());
    QTest::keyClicks(field, QStringLiteral("bo"));
    QTest::keyClick(field, Qt::Key_Tab);
    QCOMPARE(field->text(), QStringLiteral("KickPlayer ") + kBob);
    // Several players: the list offers them; Tab takes the current one.
    field->setText(QStringLiteral("BanPlayer "));
    QTest::keyClick(field, Qt::Key_Tab);
    QVERIFY(field->isOffering());
    QCOMPARE(field->offered().size(), 2);
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Tab);
    QTRY_VERIFY(!field->isOffering());
    QCOMPARE(field->text(), QStringLiteral("BanPlayer ") + kBob);
    QVERIFY(alpha->commands().filter(QStringLiteral("BanPlayer")).isEmpty());
    // Nothing to complete: Tab moves the focus on, as everywhere.
    field->clear();
    QTest::keyClick(field, Qt::Key_Tab);
    QVERIFY(!field->hasFocus());
}

void TestConsolePanel::banThenUnbanFromTheList() {
    Fixture f;
    SimServer *alpha = f.sim(QStringLiteral("Alpha"));
    alpha->addPlayer(QStringLiteral("Bob"), kBob);
    QVERIFY(waitUntil([&] { return f.console->playerList()->rowCount() == 1; }, kWait));
    f.choose(QStringLiteral("Alpha"));
    f.type(QStringLiteral("BanPlayer ") + kBob);
    QVERIFY(waitUntil([&] { return alpha->bannedIds().contains(kBob); }, kWait));
    QVERIFY(waitUntil(
        [&] {
            return f.messages().contains(QStringLiteral("Command successfully: BanPlayer ") + kBob +
                                         QStringLiteral(" @ Alpha"));
        },
        kWait));

    BansPanel *bans = f.window->bansPanel();
    f.window->logPanel()->setCurrentWidget(bans);
    QTreeView *view = bans->view();
    QTRY_COMPARE(view->model()->rowCount(), 1);
    QCOMPARE(view->model()->index(0, BanListModel::PlayerColumn).data().toString(),
             QStringLiteral("Bob"));
    QCOMPARE(view->model()->index(0, BanListModel::IdColumn).data().toString(), kBob);
    QCOMPARE(view->model()->index(0, BanListModel::ServerColumn).data().toString(),
             QStringLiteral("Alpha"));
    // The filter hides what does not match.
    bans->filterField()->setText(QStringLiteral("nobody"));
    QCOMPARE(view->model()->rowCount(), 0);
    bans->filterField()->setText(QStringLiteral("bob"));
    QCOMPARE(view->model()->rowCount(), 1);

    MessageBoxes::setNextAnswer(QMessageBox::No);
    bans->unbanRow(0);
    QCOMPARE(MessageBoxes::lastText(), QStringLiteral("Unban player  `Bob´ (") + kBob +
                                           QStringLiteral(")  on server  `Alpha´ ?"));
    QTest::qWait(300);
    QVERIFY(alpha->commands().filter(QStringLiteral("UnbanPlayer")).isEmpty());

    MessageBoxes::setNextAnswer(QMessageBox::Yes);
    view->setFocus();
    view->setCurrentIndex(view->model()->index(0, 0));
    QTest::keyClick(view, Qt::Key_Return);
    QVERIFY(waitUntil([&] { return !alpha->bannedIds().contains(kBob); }, kWait));
    QTRY_COMPARE_WITH_TIMEOUT(view->model()->rowCount(), 0, kWait);
    QVERIFY(f.messages().contains(QStringLiteral("Console command (Alpha):  UnbanPlayer ") + kBob));
    QVERIFY(f.output().contains(QStringLiteral("] Alpha > UnbanPlayer ") + kBob +
                                QStringLiteral("\nUnbanned ") + kBob));
}

void TestConsolePanel::keyboardReachesTheConsole() {
    Fixture f;
    f.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
    f.console->settings()->setShowProgramLog(false);
    QVERIFY(!f.window->logPanel()->isVisible());
    // The View menu offers it too.
    QVERIFY(f.window->menuBar()->findChildren<QMenu *>().size() > 0);
    bool inViewMenu = false;
    for (QMenu *menu : f.window->menuBar()->findChildren<QMenu *>())
        inViewMenu = inViewMenu || menu->actions().contains(f.window->focusConsoleAction());
    QVERIFY(inViewMenu);
    QTest::keyClick(f.window.get(), Qt::Key_QuoteLeft, Qt::ControlModifier);
    QTRY_VERIFY(f.field()->hasFocus());
    QVERIFY(f.window->logPanel()->isVisible());
    QVERIFY(f.state()->options().showProgramLog);
    QCOMPARE(f.window->logPanel()->currentWidget(), static_cast<QWidget *>(f.panel()));
    QCOMPARE(f.window->logPanel()->tabText(f.window->logPanel()->indexOf(f.panel())),
             QStringLiteral("Console"));
    QCOMPARE(f.window->logPanel()->tabText(f.window->logPanel()->indexOf(f.window->bansPanel())),
             QStringLiteral("Bans"));

    // Every control has its name.
    QCOMPARE(f.panel()->serverChooser()->accessibleName(), QStringLiteral("Server"));
    QCOMPARE(f.field()->accessibleName(), QStringLiteral("Command"));
    QCOMPARE(f.panel()->output()->accessibleName(), QStringLiteral("Console output"));
    QCOMPARE(f.window->bansPanel()->filterField()->accessibleName(), QStringLiteral("Filter bans"));
    QCOMPARE(f.window->bansPanel()->view()->accessibleName(), QStringLiteral("Bans"));
    for (auto *button : f.panel()->findChildren<QPushButton *>())
        QVERIFY(!button->accessibleName().isEmpty());

    // The output view has the text views' menu on the Menu key.
    f.panel()->output()->setFocus();
    QTest::keyClick(f.panel()->output(), Qt::Key_Menu);
    QTRY_VERIFY(qobject_cast<QMenu *>(QApplication::activePopupWidget()));
    QStringList items;
    for (QAction *action : QApplication::activePopupWidget()->actions()) {
        if (!action->isSeparator())
            items << action->text() + (action->isEnabled() ? QString() : QStringLiteral(" (off)"));
    }
    QCOMPARE(items, QStringList({QStringLiteral("Select all"), QStringLiteral("Copy"),
                                 QStringLiteral("Delete logfile (off)")}));
    QApplication::activePopupWidget()->close();
}

// Under Xvfb with KVD_SCREENSHOT_DIR set: the console tab after a few exchanges.
void TestConsolePanel::screenshot() {
    const QByteArray shots = qgetenv("KVD_SCREENSHOT_DIR");
    if (shots.isEmpty())
        QSKIP("KVD_SCREENSHOT_DIR is not set");
    Theme::apply(*qApp);
    Fixture f;
    SimServer *island = f.sim(QStringLiteral("The Island #1"));
    island->addPlayer(QStringLiteral("Old Greg"), QStringLiteral("76561198000000009"));
    island->addPlayer(QStringLiteral("Bob"), kBob);
    island->addPlayer(QStringLiteral("Ann"), kAnn);
    island->setAnswerFor(QStringLiteral("GetTribeIdPlayerList"),
                         QStringLiteral("0. Old Greg, 76561198000000009\n1. Ann, ") + kAnn +
                             QStringLiteral("\n"));
    SimServer *scorched = f.sim(QStringLiteral("Scorched Earth"));
    SimServer *ragnarok = f.sim(QStringLiteral("Ragnarok PvE"));
    ragnarok->stop();
    QVERIFY(waitUntil(
        [&] {
            return f.online(QStringLiteral("The Island #1")) &&
                   f.online(QStringLiteral("Scorched Earth")) &&
                   f.servers()
                           ->entry(f.servers()->rowOfName(QStringLiteral("Ragnarok PvE")))
                           .state != ServerState::Queue;
        },
        kWait));
    Q_UNUSED(scorched);
    WindowLayout layout = f.window->currentLayout();
    layout.width = 1400;
    layout.height = 900;
    layout.p4h = 470;
    f.window->applyLayout(layout);
    f.choose(QStringLiteral("The Island #1"));
    for (const char *command :
         {"ListPlayers", "GetTribeIdPlayerList 1185092637", "SetTimeOfDay 12:00"}) {
        f.type(QString::fromUtf8(command));
        QTest::qWait(150);
    }
    f.panel()->serverChooser()->setCurrentIndex(0);
    f.type(QStringLiteral("SaveWorld"));
    QVERIFY(waitUntil([&] { return f.output().count(QStringLiteral("World Saved")) == 2; }, kWait));
    QTest::qWait(200);
    f.choose(QStringLiteral("The Island #1"));
    f.window->focusConsole();
    QTest::keyClicks(f.field(), QStringLiteral("KickPlayer ol"));
    QTest::keyClick(f.field(), Qt::Key_Tab);
    QCOMPARE(f.field()->text(), QStringLiteral("KickPlayer 76561198000000009"));
    QTest::qWait(200);
    QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
    QVERIFY(f.window->grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/console.png")));
}

QTEST_MAIN(TestConsolePanel)
#include "tst_consolepanel.moc"
