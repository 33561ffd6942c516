// The two log searches: the program log's box above its tabs and the chat's box in the chat
// header, with their result views, hits buttons and the text views' menu.
#include "base/ProgramLog.h"
#include "chat/ChatLog.h"
#include "chat/ChatSession.h"
#include "console/Console.h"
#include "servers/ServerListModel.h"
#include "ui/ChatPanel.h"
#include "ui/ChatView.h"
#include "ui/LineFilter.h"
#include "ui/LogPanel.h"
#include "ui/LogSearch.h"
#include "ui/MainWindow.h"
#include "ui/ResultTextView.h"
#include "ui/TextViewMenu.h"
#include "ui/Theme.h"

#include "SimServer.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
constexpr int kWait = 10000;

// The texts of the program log's first lines after their stamps, newest first.
const QStringList kEntries{
    QStringLiteral("Player: `Anna´ (76561198000000001) joined @ `Alpha´"),
    QStringLiteral("Player: `Bob´ (76561198000000002) JOINED @ `Beta´"),
    QStringLiteral("Server: `Alpha´ is online"),
    QStringLiteral("Player: `Anna´ (76561198000000001) left @ `Alpha´ - Duration {00:10:00}"),
    QStringLiteral("Joiner tool started"),
};

QStringList viewLines(const QAbstractItemModel *model) {
    QStringList lines;
    for (int row = 0; row < model->rowCount(); ++row)
        lines << model->index(row, 0).data().toString();
    return lines;
}

QStringList menuTitles(const QMenu *menu) {
    QStringList titles;
    for (const QAction *action : menu->actions())
        titles << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return titles;
}

QAction *menuItem(const QMenu *menu, const QString &title) {
    for (QAction *action : menu->actions()) {
        if (action->text() == title)
            return action;
    }
    return nullptr;
}

// The window with a program log of known lines (entered oldest first, so shown newest first).
struct WindowFixture {
    QTemporaryDir dir;
    Console console{dir.path()};
    MainWindow window{&console};
    bool activated = false;

    WindowFixture() {
        window.show();
        window.runStartUp();
        window.activateWindow();
        activated = QTest::qWaitForWindowActive(&window);
        for (auto it = kEntries.crbegin(); it != kEntries.crend(); ++it)
            console.programLog()->message(*it);
    }
    LogPanel *panel() const { return window.logPanel(); }
    LogSearch *search() const { return panel()->search(); }
    // The program log's lines that hold every one of `texts`, ignoring case.
    QStringList linesWith(const QStringList &texts) const {
        QStringList lines;
        for (const QString &line : console.programLog()->lines()) {
            if (std::all_of(texts.cbegin(), texts.cend(), [&line](const QString &text) {
                    return line.contains(text, Qt::CaseInsensitive);
                }))
                lines << line;
        }
        return lines;
    }
};
} // namespace

class TestLogSearch : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Theme::apply(*qApp); }

    void programLogSearchShowsLinesWithEveryWord_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QStringList>("contained");
        QTest::newRow("one word in any letter case")
            << QStringLiteral("join") << QStringList{QStringLiteral("join")};
        QTest::newRow("a word typed in capitals")
            << QStringLiteral("ANNA") << QStringList{QStringLiteral("anna")};
        QTest::newRow("two words, several blanks, any order")
            << QStringLiteral("   alpha    anna  ")
            << QStringList{QStringLiteral("alpha"), QStringLiteral("anna")};
        QTest::newRow("the stamp is searched too")
            << QStringLiteral(":") << QStringList{QStringLiteral(":")};
        QTest::newRow("no matching line") << QStringLiteral("zebra") << QStringList{"zebra"};
        QStringList many;
        for (int i = 0; i < 20; ++i)
            many << QStringLiteral("player");
        QTest::newRow("a 21st word still counts")
            << many.join(QLatin1Char(' ')) + QStringLiteral(" duration")
            << QStringList{QStringLiteral("player"), QStringLiteral("duration")};
    }

    void programLogSearchShowsLinesWithEveryWord() {
        QFETCH(QString, box);
        QFETCH(QStringList, contained);
        WindowFixture f;
        QListView *view = f.panel()->programLogView();
        QListView *result = f.panel()->searchResultView();
        QVERIFY(f.search()->field()->isVisible());
        QVERIFY(f.search()->field()->isEnabled());
        QVERIFY(!f.search()->hitsButton()->isVisible());

        f.search()->field()->setFocus();
        QTest::keyClicks(f.search()->field(), box);
        const QStringList expected = f.linesWith(contained);
        QCOMPARE(viewLines(result->model()), expected);
        QVERIFY(result->isVisible());
        QVERIFY(!view->isVisible());
        QVERIFY(f.search()->hitsButton()->isVisible());
        QCOMPARE(f.search()->hitsButton()->text(),
                 QStringLiteral("Hits: %1  CLOSE SEARCH").arg(expected.size()));
        QCOMPARE(f.search()->hitsButton()->accessibleName(), f.search()->hitsButton()->text());
    }

    void blanksOnlyAreNoSearch() {
        WindowFixture f;
        f.search()->field()->setText(QStringLiteral("anna"));
        QVERIFY(f.search()->isActive());
        f.search()->field()->setText(QStringLiteral("    "));
        QVERIFY(!f.search()->isActive());
        QVERIFY(f.panel()->programLogView()->isVisible());
        QVERIFY(!f.panel()->searchResultView()->isVisible());
        QCOMPARE(f.panel()->searchResultView()->model()->rowCount(), 0);
        QVERIFY(!f.search()->hitsButton()->isVisible());
    }

    void hitsButtonEmptiesTheBoxAndShowsTheLogAgain() {
        WindowFixture f;
        f.search()->field()->setText(QStringLiteral("alpha"));
        QTest::mouseClick(f.search()->hitsButton(), Qt::LeftButton);
        QCOMPARE(f.search()->field()->text(), QString());
        QVERIFY(!f.search()->isActive());
        QVERIFY(f.panel()->programLogView()->isVisible());
        QVERIFY(!f.panel()->searchResultView()->isVisible());
        QVERIFY(!f.search()->hitsButton()->isVisible());
    }

    void narrowingKeystrokesGiveWhatAFreshSearchGives() {
        WindowFixture f;
        for (int i = 0; i < 300; ++i)
            f.console.programLog()->message(
                QStringLiteral("Player: `P%1´ joined @ `S%2´").arg(i).arg(i % 7));
        const int total = int(f.console.programLog()->lines().size());
        const auto fresh = [&f](const QString &box) {
            LineFilter filter;
            return filter.filter(f.console.programLog()->lines(), filter.words(box));
        };
        QLineEdit *field = f.search()->field();
        QStringListModel *results =
            qobject_cast<QStringListModel *>(f.panel()->searchResultView()->model());
        QVERIFY(results);

        QString typed;
        for (const QChar c : QStringLiteral("p1 s3")) {
            typed += c;
            QTest::keyClick(field, c.toLatin1());
            QCOMPARE(results->stringList(), fresh(typed));
        }
        // Each word only grew: the last keystroke looked at the hits before it, not at the log.
        QVERIFY2(f.search()->linesExamined() < total, qPrintable(QString::number(total)));

        // A backspace widens the search again: every line is looked at.
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(results->stringList(), fresh(QStringLiteral("p1 s")));
        QCOMPARE(f.search()->linesExamined(), total);

        // A line that arrived meanwhile is found at the next keystroke, narrowing or not.
        f.console.programLog()->message(QStringLiteral("Player: `P1000´ joined @ `S3´"));
        QTest::keyClick(field, '3');
        QCOMPARE(results->stringList(), fresh(QStringLiteral("p1 s3")));
        QVERIFY(results->stringList().constFirst().contains(QLatin1String("P1000")));
    }

    void wordsAreLowerCaseByTheUsersLocale() {
        const QLocale turkish(QLocale::Turkish, QLocale::Turkey);
        const QLocale english(QLocale::English, QLocale::UnitedStates);
        if (turkish.toLower(QStringLiteral("I")) == english.toLower(QStringLiteral("I")))
            QSKIP("This Qt has no locale-aware lower case");
        LineFilter inTurkey(turkish);
        QCOMPARE(inTurkey.words(QStringLiteral("KAPI  İZMİR")),
                 (QStringList{QStringLiteral("kapı"), QStringLiteral("izmir")}));
        const QStringList lines{QStringLiteral("Kapı açık"), QStringLiteral("Kapi open")};
        QCOMPARE(inTurkey.filter(lines, inTurkey.words(QStringLiteral("KAPI"))),
                 QStringList{lines.at(0)});
        LineFilter inEngland(english);
        QCOMPARE(inEngland.filter(lines, inEngland.words(QStringLiteral("KAPI"))),
                 QStringList{lines.at(1)});
    }

    void resultViewIsReadOnlyOrangeOnNearBlack() {
        WindowFixture f;
        f.search()->field()->setText(QStringLiteral("anna"));
        QListView *result = f.panel()->searchResultView();
        result->ensurePolished();
        QCOMPARE(result->palette().color(QPalette::Text), QColor(255, 192, 130));
        QCOMPARE(result->palette().color(QPalette::Base), QColor(17, 17, 17));
        QCOMPARE(result->editTriggers(), QAbstractItemView::NoEditTriggers);
        // What it shows: a pixel of the first line's text is orange.
        const QImage image = result->viewport()->grab().toImage();
        const QRect firstLine = result->visualRect(result->model()->index(0, 0));
        bool orange = false;
        for (int x = firstLine.left(); x < firstLine.right() && !orange; ++x) {
            for (int y = firstLine.top(); y <= firstLine.bottom() && !orange; ++y) {
                const QColor pixel = image.pixelColor(x, y);
                orange = pixel.red() > 200 && pixel.green() > 140 && pixel.blue() < 150;
            }
        }
        QVERIFY(orange);
        QCOMPARE(image.pixelColor(image.width() - 2, image.height() - 2), QColor(17, 17, 17));
    }

    void searchBoxShowsWithTheProgramLogTabOnly() {
        WindowFixture f;
        f.panel()->setSearchText(QStringLiteral("banplayer"));
        QVERIFY(f.search()->isActive());
        QCOMPARE(f.search()->field()->text(), QStringLiteral("banplayer"));
        f.panel()->setCurrentIndex(1);
        QVERIFY(!f.search()->field()->isVisible());
        QVERIFY(!f.search()->icon()->isVisible());
        QVERIFY(!f.search()->hitsButton()->isVisible());
        f.panel()->setCurrentIndex(0);
        QVERIFY(f.search()->field()->isVisible());
        QVERIFY(f.search()->hitsButton()->isVisible());
        f.panel()->setSearchText(QString());
        QVERIFY(!f.search()->isActive());
        QVERIFY(!f.search()->hitsButton()->isVisible());
    }

    void programLogBoxFollowsTheAreasWidth_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<QRect>("field");
        // A third of the area, a quarter below 800 px, a ninth below 600 px; 8 px from the right.
        QTest::newRow("wide") << 1200 << QRect(792, 7, 400, 20);
        QTest::newRow("below 800") << 700 << QRect(517, 7, 175, 20);
        QTest::newRow("below 600") << 540 << QRect(472, 7, 60, 20);
        // Never left of 170 px.
        QTest::newRow("narrow") << 200 << QRect(170, 7, 22, 20);
    }

    void programLogBoxFollowsTheAreasWidth() {
        QFETCH(int, width);
        QFETCH(QRect, field);
        QCOMPARE(LogSearch::programLogField(width, 20), field);

        QTemporaryDir dir;
        Console console(dir.path());
        LogPanel panel(console.programLog(), console.statistics());
        panel.resize(width, 300);
        panel.show();
        QCOMPARE(panel.width(), width);
        LogSearch *search = panel.search();
        QCOMPARE(search->field()->geometry(), field);
        QCOMPARE(search->icon()->x(), std::max(170, field.left() - 20));
        QCOMPARE(search->hitsButton()->x(), std::max(170, field.left() - 230));
    }

    void textViewMenusFollowTheirRuleAndTheFocus() {
        WindowFixture f;
        QListView *log = f.panel()->programLogView();
        QListView *result = f.panel()->searchResultView();
        ChatView *chat = f.window.chatPanel()->chatView();
        auto *chatResult =
            qobject_cast<QPlainTextEdit *>(f.window.chatPanel()->search()->resultView());
        QVERIFY(chatResult);
        const QStringList titles{QStringLiteral("Select all"), QStringLiteral("-"),
                                 QStringLiteral("Copy"), QStringLiteral("-"),
                                 QStringLiteral("Delete logfile")};

        // The Menu key opens each view's menu; "Delete logfile" follows the view's rule.
        const auto openWithMenuKey = [](QWidget *view) {
            view->setFocus();
            QTest::keyClick(view, Qt::Key_Menu);
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            return menu;
        };
        const auto expectMenu = [&](QWidget *view, bool deleteEnabled) {
            QMenu *menu = openWithMenuKey(view);
            QVERIFY2(menu, qPrintable(view->accessibleName()));
            QCOMPARE(menuTitles(menu), titles);
            QVERIFY(menuItem(menu, QStringLiteral("Select all"))->isEnabled());
            QVERIFY(menuItem(menu, QStringLiteral("Copy"))->isEnabled());
            QCOMPARE(menuItem(menu, QStringLiteral("Delete logfile"))->isEnabled(), deleteEnabled);
            menu->close();
        };
        expectMenu(log, true);
        expectMenu(chat, false); // no chat open, nothing shown
        f.search()->field()->setText(QStringLiteral("anna"));
        expectMenu(result, false);
        chatResult->show();
        expectMenu(chatResult, false);

        // "Select all" and "Copy" act on the focused view, not on the one the menu opened on.
        QVERIFY(f.activated);
        chatResult->setPlainText(QStringLiteral("first\nsecond"));
        chatResult->setFocus();
        QCOMPARE(QApplication::focusWidget(), chatResult);
        std::unique_ptr<QMenu> menu(TextViewMenu::create(result, false, nullptr, nullptr));
        menuItem(menu.get(), QStringLiteral("Select all"))->trigger();
        QCOMPARE(chatResult->textCursor().selectedText(), QStringLiteral("first\u2029second"));
        QVERIFY(!result->selectionModel()->hasSelection());
        QApplication::clipboard()->clear();
        menuItem(menu.get(), QStringLiteral("Copy"))->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("first\nsecond"));

        // A list view copies its selected lines, in their order.
        result->setFocus();
        menuItem(menu.get(), QStringLiteral("Select all"))->trigger();
        menuItem(menu.get(), QStringLiteral("Copy"))->trigger();
        QCOMPARE(QApplication::clipboard()->text(),
                 f.linesWith({QStringLiteral("anna")}).join(QLatin1Char('\n')));
    }

    void emptyProgramLogOffersNoDelete() {
        QTemporaryDir dir;
        Console console(dir.path());
        LogPanel panel(console.programLog(), console.statistics());
        panel.show();
        panel.programLogView()->setFocus();
        QTest::keyClick(panel.programLogView(), Qt::Key_Menu);
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QVERIFY(!menuItem(menu, QStringLiteral("Delete logfile"))->isEnabled());
        menu->close();
    }

    void chatSearchBelongsToTheOpenChat() {
        QTemporaryDir dir;
        Console console(dir.path());
        console.start();
        SimServer sim(QStringLiteral("A"), QStringLiteral("pw"));
        QVERIFY(sim.start());
        const int row =
            console.servers()->appendServer({QStringLiteral("A"), QStringLiteral("127.0.0.1"),
                                             sim.portText(), QStringLiteral("pw")});
        console.servers()->setState(row, ServerState::Online);
        for (const char *line : {"SERVER: hello world", "Anna (Tribe): Hello there",
                                 "SERVER: restart soon", "Bob (Tribe): bye"})
            sim.appendGameLog(QString::fromUtf8(line));
        ChatPanel panel;
        panel.setSession(console.chat());
        panel.resize(900, 500);
        panel.show();
        LogSearch *search = panel.search();
        QVERIFY(search->field()->isVisible());
        QVERIFY(!search->field()->isEnabled());
        QCOMPARE(search->field()->accessibleName(), QStringLiteral("Search chat"));

        console.chat()->Chat1Click(QStringLiteral("A"));
        QVERIFY(search->field()->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(
            panel.chatView()->document()->toPlainText().contains(QLatin1String("Bob (Tribe): bye")),
            kWait);
        // A third of the chat area, at the header's right end.
        QCOMPARE(search->field()->width(), panel.splitter()->width() / 3);

        QTest::keyClicks(search->field(), QStringLiteral("HELLO"));
        auto *result = qobject_cast<QPlainTextEdit *>(search->resultView());
        QVERIFY(result && result->isVisible() && result->isReadOnly());
        QVERIFY(!panel.chatView()->isVisible());
        const QStringList hits = result->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(hits.size(), 2);
        // Oldest first, as the chat shows them, without their colours.
        QVERIFY(hits.at(0).endsWith(QLatin1String("SERVER: hello world")));
        QVERIFY(hits.at(1).endsWith(QLatin1String("Anna (Tribe): Hello there")));
        QCOMPARE(search->hitsButton()->text(), QStringLiteral("Hits: 2  CLOSE SEARCH"));

        // The hits button closes it; the chat view is back, scrolled to its end.
        panel.chatView()->verticalScrollBar()->setValue(0);
        QTest::mouseClick(search->hitsButton(), Qt::LeftButton);
        QVERIFY(!search->isActive());
        QVERIFY(panel.chatView()->isVisible());
        QVERIFY(!result->isVisible());
        QVERIFY(panel.chatView()->isShowingLastLine());

        // Closing the chat closes its search and disables the box until the next chat.
        search->field()->setText(QStringLiteral("bye"));
        QVERIFY(search->isActive());
        console.chat()->chataus();
        QCOMPARE(search->field()->text(), QString());
        QVERIFY(!search->isActive());
        QVERIFY(!search->field()->isEnabled());
        QVERIFY(panel.chatView()->isVisible());
        console.chat()->Chat1Click(QStringLiteral("A"));
        QVERIFY(search->field()->isEnabled());
        QVERIFY(!search->isActive());
        console.chat()->chataus();
    }

    void longChatResultsShowAtOnceAndCompleteSoon() {
        ResultTextView view;
        view.show();
        QStringList lines;
        for (int i = 0; i < 5000; ++i)
            lines << QStringLiteral("hit %1").arg(i);
        view.setLines(lines);
        QCOMPARE(view.document()->blockCount(), ResultTextView::kFirstLines);
        QVERIFY(!view.isComplete());
        // A new list replaces one still being shown.
        view.setLines(lines.mid(100));
        QTRY_VERIFY(view.isComplete());
        QCOMPARE(view.toPlainText(), lines.mid(100).join(QLatin1Char('\n')));
        QCOMPARE(view.textCursor().position(), 0);
        view.setLines({});
        QCOMPARE(view.toPlainText(), QString());
        QVERIFY(view.isComplete());
    }

    void screenshotOfASearchWithHits() {
        const QByteArray shots = qgetenv("KVD_SCREENSHOT_DIR");
        if (shots.isEmpty())
            QSKIP("KVD_SCREENSHOT_DIR names where screenshots go");
        WindowFixture f;
        for (int i = 0; i < 40; ++i)
            f.console.programLog()->message(
                QStringLiteral("Player: `%1´ (7656119800000%2) %3 @ `Island´")
                    .arg(i % 3 ? QStringLiteral("Anna") : QStringLiteral("Bob"))
                    .arg(1000 + i)
                    .arg(i % 2 ? QStringLiteral("joined") : QStringLiteral("left")));
        f.window.resize(1250, 750);
        f.search()->field()->setFocus();
        QTest::keyClicks(f.search()->field(), QStringLiteral("anna joined"));
        QTest::qWait(50);
        QVERIFY(f.window.grab().save(QString::fromLocal8Bit(shots) +
                                     QStringLiteral("/log-search.png")));
    }
};

QTEST_MAIN(TestLogSearch)
#include "tst_logsearch.moc"
