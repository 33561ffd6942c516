// What a newcomer reaches first: the menu bar with its shortcuts, the empty list's button, Enter
// on a server, the help page, the program log's search from the keyboard and its long lines;
// in a real window, headless, against simulated game servers on loopback.
#include "base/Intervals.h"
#include "base/ProgramLog.h"
#include "chat/ChatSession.h"
#include "console/ServerEditor.h"
#include "monitor/PollCycle.h"
#include "servers/ServerSettings.h"
#include "ui/ChatPanel.h"
#include "ui/DialogFrame.h"
#include "ui/HelpPage.h"
#include "ui/LogPanel.h"
#include "ui/LogSearch.h"
#include "ui/LongLineDelegate.h"
#include "ui/MainWindow.h"
#include "ui/MenuBar.h"
#include "ui/MessageBoxes.h"
#include "ui/OptionsDialog.h"
#include "ui/ScriptMenu.h"
#include "ui/ServerCommands.h"
#include "ui/ServerListView.h"
#include "ui/ServerMenu.h"
#include "ui/ServerSettingsDialog.h"

#include "ConsoleFixture.h"
#include "TestPorts.h"
#include "TestWait.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTextBrowser>
#include <QtTest>

namespace {

constexpr int kWait = 20000;

struct Fixture : ConsoleFixture {
    MainWindow window{console.get()};

    Fixture() {
        window.show();
        window.runStartUp();
        window.activateWindow();
    }
    ~Fixture() {
        console->pollCycle()->stop();
        console->chat()->chataus();
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
        menu()->dialog()->reject();
    }

    ServerMenu *menu() const { return window.serverMenu(); }
    ServerSettingsDialog *dialog() const { return menu()->dialog(); }
    ServerListView *view() const { return window.serverView(); }
    MenuBar *bar() const { return window.menus(); }

    SimServer *sim(const QString &name) {
        SimServer *server = startSim(name, QStringLiteral("pw"));
        console->serverEditor()->add(
            {name, server->host(), server->portText(), QStringLiteral("pw")});
        return server;
    }
    void addClosed(const QString &name) const {
        console->serverEditor()->add(
            {name, QStringLiteral("127.0.0.1"), closedPort(), QStringLiteral("pw")});
    }
    void select(const QString &name) const {
        const int row = servers()->rowOfName(name);
        QVERIFY(row >= 0);
        view()->setFocus();
        view()->setCurrentIndex(view()->model()->index(row, 0));
    }
    bool activate() {
        QApplication::setActiveWindow(&window);
        return QTest::qWaitForWindowActive(&window);
    }
    bool chatOpenOn(const QString &name) const {
        return console->chat()->isOpen() && window.chatPanel()->title() == name;
    }
};

} // namespace

class TestMenuBar : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Intervals &intervals = Intervals::instance();
        intervals.visitStartFirstPassMs = 10;
        intervals.visitStartMs = 30;
        intervals.watchdogMs = 1500;
        intervals.pollConnectTimeoutMs = 1000;
    }

    void menuBarHoldsThePopUpMenusOwnItems() {
        Fixture f;
        QCOMPARE(f.window.menuBar()->actions().size(), 5);
        QStringList titles;
        for (const QAction *menu : f.window.menuBar()->actions())
            titles << menu->text().remove(QLatin1Char('&'));
        QCOMPARE(titles, (QStringList{QStringLiteral("Server"), QStringLiteral("Commands"),
                                      QStringLiteral("View"), QStringLiteral("Tools"),
                                      QStringLiteral("Help")}));
        const QList<QAction *> server = f.bar()->serverMenu()->actions();
        for (QAction *item : {f.menu()->newServerAction(), f.menu()->editServerAction(),
                              f.menu()->deleteServerAction(), f.menu()->chatAction()})
            QVERIFY2(server.contains(item), qPrintable(item->text()));
        const QList<QAction *> commands = f.bar()->commandsMenu()->actions();
        ServerCommands *sc = f.window.serverCommands();
        for (QAction *item : {sc->saveWorldAction(), sc->stopAction(), sc->unbanAction(),
                              f.window.scriptMenu()->menuAction()})
            QVERIFY2(commands.contains(item), qPrintable(item->text()));
        QCOMPARE(f.menu()->newServerAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_N));
        QCOMPARE(f.menu()->editServerAction()->shortcut(), QKeySequence(Qt::Key_F2));
        QCOMPARE(f.bar()->quitAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
        QCOMPARE(f.bar()->searchLogAction()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
        QCOMPARE(f.bar()->helpAction()->shortcut(), QKeySequence(Qt::Key_F1));
    }

    // The bar shares the items, so the rules are the pop-up's; the shortcuts follow them without
    // any menu being opened.
    void itemsFollowTheSelectionWithoutAMenuOpening() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        f.addClosed(QStringLiteral("B"));
        QVERIFY(waitUntil(
            [&f] {
                return f.entry(QStringLiteral("A")).statusText() == "Online" &&
                       f.entry(QStringLiteral("B")).statusText() == "Refused";
            },
            kWait));
        Q_UNUSED(a);
        ServerCommands *sc = f.window.serverCommands();
        struct Enabled {
            bool add, edit, remove, command, chat, script;
            bool operator==(const Enabled &o) const {
                return add == o.add && edit == o.edit && remove == o.remove &&
                       command == o.command && chat == o.chat && script == o.script;
            }
        };
        const auto enabled = [&] {
            return Enabled{f.menu()->newServerAction()->isEnabled(),
                           f.menu()->editServerAction()->isEnabled(),
                           f.menu()->deleteServerAction()->isEnabled(),
                           sc->saveWorldAction()->isEnabled(),
                           f.menu()->chatAction()->isEnabled(),
                           f.window.scriptMenu()->menuAction()->isEnabled()};
        };
        f.view()->selectionModel()->clearSelection();
        QVERIFY(enabled() == (Enabled{true, false, false, false, false, false}));
        f.select(QStringLiteral("A"));
        QVERIFY(enabled() == (Enabled{true, true, true, true, true, true}));
        f.select(QStringLiteral("B"));
        QVERIFY(enabled() == (Enabled{true, true, true, false, false, false}));
        // What the pop-up works out when it opens is the same.
        f.menu()->updateEnabling();
        QVERIFY(enabled() == (Enabled{true, true, true, false, false, false}));
    }

    void ctrlNWithAServerSelectedOpensAnEmptyDialog() {
        Fixture f;
        f.addClosed(QStringLiteral("Alpha"));
        f.select(QStringLiteral("Alpha"));
        QVERIFY(f.activate());
        QTest::keyClick(f.view(), Qt::Key_N, Qt::ControlModifier);
        QTRY_VERIFY(f.dialog()->isVisible());
        QVERIFY(!f.dialog()->isEditMode());
        QCOMPARE(f.dialog()->fields(), ServerSettings{});
        f.dialog()->reject();

        // F2 on the list edits the selected server.
        f.select(QStringLiteral("Alpha"));
        QVERIFY(f.activate());
        QTest::keyClick(f.view(), Qt::Key_F2);
        QTRY_VERIFY(f.dialog()->isVisible());
        QVERIFY(f.dialog()->isEditMode());
        QCOMPARE(f.dialog()->nameField()->text(), QStringLiteral("Alpha"));
        f.dialog()->reject();
    }

    void enterOpensTheChatAndAServerWithoutOneSaysWhy() {
        Fixture f;
        f.sim(QStringLiteral("A"));
        f.addClosed(QStringLiteral("B"));
        QVERIFY(waitUntil(
            [&f] {
                return f.entry(QStringLiteral("A")).statusText() == "Online" &&
                       f.entry(QStringLiteral("B")).statusText() == "Refused";
            },
            kWait));
        f.select(QStringLiteral("A"));
        QTest::keyClick(f.view(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(f.chatOpenOn(QStringLiteral("A")), kWait);
        QTest::keyClick(f.view(), Qt::Key_Enter, Qt::KeypadModifier);
        QTRY_VERIFY(!f.console->chat()->isOpen());

        // A double-click on a server that cannot chat tells why instead of doing nothing.
        f.select(QStringLiteral("B"));
        const int row = f.servers()->rowOfName(QStringLiteral("B"));
        const QPoint onB = f.view()->visualRect(f.view()->model()->index(row, 0)).center();
        QTest::mouseClick(f.view()->viewport(), Qt::LeftButton, {}, onB);
        QTest::mouseDClick(f.view()->viewport(), Qt::LeftButton, {}, onB);
        QCOMPARE(f.window.statusBar()->currentMessage(),
                 QStringLiteral("No chat with `B\u00b4: it is offline (Refused)"));
        QVERIFY(!f.console->chat()->isOpen());
    }

    void emptyListOffersAddServer() {
        Fixture f;
        ServerListView *view = f.view();
        QVERIFY(view->placeholder()->isVisible());
        QVERIFY(view->addServerButton()->isVisible());
        QCOMPARE(view->addServerButton()->text(), QStringLiteral("Add server…"));
        QVERIFY(view->emptyListHelp()->text().contains(QLatin1String("--demo")));
        // Below the picture, inside the list.
        QVERIFY(view->addServerButton()->geometry().top() >
                view->placeholder()->geometry().bottom());
        view->addServerButton()->click();
        QVERIFY(f.dialog()->isVisible());
        QVERIFY(!f.dialog()->isEditMode());
        f.dialog()->reject();
        f.addClosed(QStringLiteral("First"));
        QVERIFY(!view->addServerButton()->isVisible());
        QVERIFY(!view->emptyListHelp()->isVisible());
    }

    void f1ShowsTheHelpPage() {
        Fixture f;
        QVERIFY(f.activate());
        QTest::keyClick(&f.window, Qt::Key_F1);
        QTRY_VERIFY(f.window.helpPage() && f.window.helpPage()->isVisible());
        const QString text = f.window.helpPage()->browser()->toPlainText();
        QVERIFY(text.contains(QLatin1String("Ctrl+N")));
        QVERIFY(text.contains(QDir::toNativeSeparators(f.console->folder())));
        QVERIFY(text.contains(QLatin1String("server.dat")));
        // The folder is text: a folder named like markup shows as it is.
        QVERIFY(
            HelpPage::pageHtml(QStringLiteral("/tmp/<b>x")).contains(QLatin1String("&lt;b&gt;x")));
        f.window.helpPage()->close();
    }

    void ctrlFSearchesTheLogAndEscapeClearsIt() {
        Fixture f;
        f.console->programLog()->message(QStringLiteral("needle in the log"));
        QVERIFY(f.activate());
        QTest::keyClick(f.view(), Qt::Key_F, Qt::ControlModifier);
        LogSearch *search = f.window.logPanel()->search();
        QTRY_COMPARE(QApplication::focusWidget(), search->field());
        QTest::keyClicks(search->field(), QStringLiteral("needle"));
        QVERIFY(search->isActive());
        QCOMPARE(search->hitCount(), 1);
        QTest::keyClick(search->field(), Qt::Key_Escape);
        QVERIFY(search->field()->text().isEmpty());
        QVERIFY(!search->isActive());
    }

    void ctrlQEndsTheConsole() {
        Fixture f;
        QVERIFY(f.activate());
        QTest::keyClick(f.view(), Qt::Key_Q, Qt::ControlModifier);
        QTRY_VERIFY(f.console->isShutDown());
    }

    // No minimise or maximise button on any dialog, and none narrower than its title; the input
    // boxes were as narrow as their field, whatever their title.
    void dialogsFitTheirTitleWithoutMinimiseOrMaximise() {
        Fixture f;
        const auto check = [](QDialog *dialog) {
            const Qt::WindowFlags flags = dialog->windowFlags();
            QVERIFY2(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)),
                     qPrintable(dialog->windowTitle()));
            // A layout's minimum size, where it has one, decides.
            const int least = std::max(dialog->minimumWidth(), dialog->minimumSizeHint().width());
            QVERIFY2(least >= DialogFrame::titleWidth(dialog), qPrintable(dialog->windowTitle()));
        };
        check(f.window.optionsDialog());
        check(f.dialog());
        f.window.showHelp();
        check(f.window.helpPage());
        f.window.helpPage()->close();

        const QString title =
            QStringLiteral("`Set message of the day\u00b4 for a long server name");
        bool seen = false;
        QTimer::singleShot(0, &f.window, [&] {
            auto *box = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
            QVERIFY(box);
            seen = true;
            check(box);
            box->reject();
        });
        QString text;
        QVERIFY(!MessageBoxes::ask(&f.window, title, QStringLiteral("Message:"), &text));
        QVERIFY(seen);
    }

    void longLogLineShowsWholeInItsToolTip() {
        Fixture f;
        const QString longText =
            QStringLiteral("Player: `<b>Bob</b>\u00b4 ") + QString(400, QLatin1Char('x'));
        f.console->programLog()->message(QStringLiteral("short"));
        f.console->programLog()->message(longText);
        QListView *view = f.window.logPanel()->programLogView();
        auto *delegate = qobject_cast<LongLineDelegate *>(view->itemDelegate());
        QVERIFY(delegate);
        QTRY_VERIFY(view->horizontalScrollBar()->maximum() > 0); // it scrolls sideways
        const QPoint newest = view->visualRect(view->model()->index(0, 0)).center();
        const QString tip = delegate->toolTipAt(QPoint(5, newest.y()));
        QVERIFY(tip.contains(QString(400, QLatin1Char('x'))));
        QVERIFY(tip.contains(QLatin1String("&lt;b&gt;Bob")));
        const QPoint older = view->visualRect(view->model()->index(1, 0)).center();
        QCOMPARE(delegate->toolTipAt(QPoint(5, older.y())), QString());
    }
};

QTEST_MAIN(TestMenuBar)
#include "tst_menubar.moc"
