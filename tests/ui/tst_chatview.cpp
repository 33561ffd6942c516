// The chat view and the chat area, offscreen: colours and bold as the lines carry them, blocks
// appended without touching earlier ones, the scroll and caret rules, trimming, the log menu
// with "Delete logfile", and the input sending through a chat on a simulated server.
#include "base/Intervals.h"
#include "chat/ChatLineProcessor.h"
#include "chat/ChatLog.h"
#include "chat/ChatSession.h"
#include "chat/ServerLogFile.h"
#include "console/Console.h"
#include "servers/ServerListModel.h"
#include "ui/ChatPanel.h"
#include "ui/ChatView.h"
#include "ui/MessageBoxes.h"

#include "SimServer.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

constexpr int kWait = 10000;

ChatLine plainLine(int i) {
    return ChatLine(QStringLiteral("[170105-090807]"), QStringLiteral("line %1").arg(i));
}

QList<ChatLine> plainLines(int first, int count) {
    QList<ChatLine> lines;
    for (int i = first; i < first + count; ++i)
        lines << plainLine(i);
    return lines;
}

// The format of the character at `offset` within block `block`.
QTextCharFormat formatAt(const ChatView &view, int block, int offset) {
    QTextCursor cursor(view.document()->findBlockByNumber(block));
    cursor.setPosition(cursor.position() + offset + 1);
    return cursor.charFormat();
}

struct ViewFixture {
    ChatLog log;
    ChatView view;
    ViewFixture() {
        view.resize(400, 200);
        view.setChatLog(&log);
        view.show();
    }
    QScrollBar *bar() const { return view.verticalScrollBar(); }
};

} // namespace

class TestChatView : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Intervals::instance().chatRerequestMs = 40;
        Intervals::instance().chatConnectTimeoutMs = 1000;
    }

    void linesShowTheirColoursAndBold() {
        ViewFixture f;
        ChatLineProcessor::DuplicateMemory memory;
        const QString body =
            QStringLiteral("2017.01.05_09.08.07: AdminCmd: saveworld (PlayerName: Admin)\n"
                           "2017.01.05_09.08.08: SERVER: (Admin): hello\n"
                           "2017.01.05_09.08.09: Tribe Foo, ID 1: Day 5, 10:11:12: <RichColor "
                           "Color=\"1, 0, 0, 1\">Bob was killed!</>)\n");
        const auto result = ChatLineProcessor::process(body, ChatLineProcessor::Mode::GameLog,
                                                       QDateTime::currentDateTime(), memory);
        QCOMPARE(result.lines.size(), 3);
        f.log.append(result.lines);

        QCOMPARE(f.view.document()->blockCount(), 3);
        QCOMPARE(f.view.document()->findBlockByNumber(1).text(),
                 QStringLiteral("[170105-090808] SERVER: (Admin): hello"));
        // Stamp grey and plain; admin line orange and bold; "SERVER: (" yellow and bold.
        QCOMPARE(formatAt(f.view, 0, 2).foreground().color(), QColor(128, 128, 128));
        QVERIFY(formatAt(f.view, 0, 2).fontWeight() != QFont::Bold);
        QCOMPARE(formatAt(f.view, 0, 20).foreground().color(), QColor(250, 130, 20));
        QCOMPARE(formatAt(f.view, 0, 20).fontWeight(), int(QFont::Bold));
        QCOMPARE(formatAt(f.view, 1, 20).foreground().color(), QColor(255, 255, 0));
        QCOMPARE(formatAt(f.view, 1, 20).fontWeight(), int(QFont::Bold));
        // The tagged text red, the rest of the tribe line in the view's own colour.
        const QString tribe = f.view.document()->findBlockByNumber(2).text();
        QVERIFY2(!tribe.contains(QLatin1String("RichColor")), qPrintable(tribe));
        const int killed = int(tribe.indexOf(QLatin1String("Bob was killed")));
        QCOMPARE(formatAt(f.view, 2, killed).foreground().color(), QColor(255, 0, 0));
        QCOMPARE(formatAt(f.view, 2, 17).foreground().color(), QColor(202, 202, 202));
    }

    void appendingAddsBlocksWithoutTouchingEarlierOnes() {
        ViewFixture f;
        f.log.append(plainLines(0, 50));
        QTextBlock first = f.view.document()->firstBlock();
        first.setUserState(42); // survives only if the block is never rebuilt
        int changedFrom = -1;
        QObject::connect(f.view.document(), &QTextDocument::contentsChange,
                         [&](int position, int, int) {
                             if (changedFrom < 0)
                                 changedFrom = position;
                         });
        const int endBefore = f.view.document()->characterCount() - 1;

        f.log.append(plainLines(50, 10));
        QCOMPARE(f.view.document()->blockCount(), 60);
        QCOMPARE(f.view.document()->firstBlock().userState(), 42);
        QVERIFY2(changedFrom >= endBefore - 1, qPrintable(QString::number(changedFrom)));
        QCOMPARE(f.view.document()->lastBlock().text(), QStringLiteral("[170105-090807] line 59"));

        // An empty line is a block of its own.
        f.log.append({ChatLine(), plainLine(60)});
        QCOMPARE(f.view.document()->blockCount(), 62);
        QCOMPARE(f.view.document()->findBlockByNumber(60).text(), QString());
    }

    void aNewBlockFollowsTheEndOnlyWhenTheLastLineWasShown() {
        ViewFixture f;
        f.log.append(plainLines(0, 200));
        f.view.scrollToEnd();
        QVERIFY(f.view.isShowingLastLine());
        QCOMPARE(f.view.lastVisibleLine(), 199);

        f.log.append(plainLines(200, 5));
        QVERIFY(f.view.isShowingLastLine());
        QCOMPARE(f.view.lastVisibleLine(), 204);

        // Scrolled up to read: new blocks leave the view where it is.
        f.bar()->setValue(10);
        const int shown = f.view.lastVisibleLine();
        f.log.append(plainLines(205, 5));
        QCOMPARE(f.bar()->value(), 10);
        QCOMPARE(f.view.lastVisibleLine(), shown);
        QVERIFY(!f.view.isShowingLastLine());
    }

    void theCaretAndFocusStayWhereTheOperatorLeftThem() {
        ViewFixture f;
        f.log.append(plainLines(0, 100));
        QApplication::setActiveWindow(&f.view);
        f.view.setFocus();
        QVERIFY(f.view.hasFocus());
        f.view.scrollToEnd();
        const int end = f.view.textCursor().position();

        f.log.append(plainLines(100, 3));
        QCOMPARE(f.view.textCursor().position(), end);
        QVERIFY(f.view.isShowingLastLine());

        QTextCursor caret(f.view.document()->findBlockByNumber(5));
        f.view.setTextCursor(caret);
        f.bar()->setValue(0);
        f.log.append(plainLines(103, 3));
        QCOMPARE(f.view.textCursor().blockNumber(), 5);
        QCOMPARE(f.bar()->value(), 0);
        QVERIFY(f.view.hasFocus());
    }

    void trimmingCutsTheTopAndKeepsTheLinesInView() {
        ViewFixture f;
        f.log.append(plainLines(0, ChatLog::kMaxLines));
        f.bar()->setValue(500);
        const QString shown = f.view.document()->findBlockByNumber(f.view.lastVisibleLine()).text();
        f.log.append(plainLines(ChatLog::kMaxLines, 100));
        f.log.trim();
        QCOMPARE(f.view.document()->blockCount(), ChatLog::kMaxLines);
        QCOMPARE(f.view.document()->firstBlock().text(), f.log.lines().first().displayText());
        QCOMPARE(f.view.document()->findBlockByNumber(f.view.lastVisibleLine()).text(), shown);

        f.log.clear();
        QCOMPARE(f.view.document()->toPlainText(), QString());
    }

    void theLogMenuOffersDeleteOnlyOnAnOpenChatWithLines() {
        ViewFixture f;
        auto titles = [](QMenu *menu) {
            QStringList out;
            for (QAction *action : menu->actions())
                out << (action->isSeparator() ? QStringLiteral("-") : action->text());
            return out;
        };
        std::unique_ptr<QMenu> menu(f.view.createLogMenu(nullptr));
        QCOMPARE(titles(menu.get()), QStringList({QStringLiteral("Select all"), QStringLiteral("-"),
                                                  QStringLiteral("Copy"), QStringLiteral("-"),
                                                  QStringLiteral("Delete logfile")}));
        QVERIFY(!menu->actions().last()->isEnabled());

        f.view.setDeleteLogfileAllowed(true);
        menu.reset(f.view.createLogMenu(nullptr));
        QVERIFY(!menu->actions().last()->isEnabled()); // empty view
        f.log.append(plainLines(0, 2));
        menu.reset(f.view.createLogMenu(nullptr));
        QVERIFY(menu->actions().last()->isEnabled());
        QSignalSpy requested(&f.view, &ChatView::deleteLogfileRequested);
        menu->actions().last()->trigger();
        QCOMPARE(requested.count(), 1);
    }

    void thePanelSendsAsksAndFollowsTheChat() {
        QTemporaryDir dir;
        Console console(dir.path());
        console.start();
        SimServer sim(QStringLiteral("A"), QStringLiteral("pw"));
        QVERIFY(sim.start());
        const int row = console.servers()->appendServer(
            QStringLiteral("A"), QStringLiteral("127.0.0.1"), sim.portText(), QStringLiteral("pw"));
        console.servers()->setState(row, ServerState::Online);
        sim.appendGameLog(QStringLiteral("SERVER: Admin says hi"));
        ChatSession &session = *console.chat();
        session.setPlayerSource([](const QString &server) {
            return server == QLatin1String("A")
                       ? QStringList{QStringLiteral("Zed"), QStringLiteral("Anna")}
                       : QStringList();
        });
        ChatPanel panel;
        panel.setSession(&session);
        panel.resize(800, 500);
        panel.show();
        QVERIFY(!panel.input()->isEnabled());
        QVERIFY(!panel.sendButton()->isEnabled());
        QCOMPARE(panel.title(), QStringLiteral("Channel offline"));

        session.Chat1Click(QStringLiteral("A"));
        QCOMPARE(panel.title(), QStringLiteral("A"));
        QVERIFY(panel.input()->isEnabled());
        QVERIFY(panel.broadcastButton()->isEnabled());
        QCOMPARE(panel.playersOnline()->topLevelItemCount(), 2);
        QCOMPARE(panel.playersOnline()->topLevelItem(0)->text(0), QStringLiteral("Anna"));
        QTRY_VERIFY_WITH_TIMEOUT(panel.chatView()->document()->toPlainText().endsWith(
                                     QLatin1String("SERVER: Admin says hi")),
                                 kWait);

        // Enter sends the input under the chat name and empties it.
        panel.setChatName(QStringLiteral("Warden"));
        QTest::keyClicks(panel.input(), QStringLiteral("hello"));
        QTest::keyClick(panel.input(), Qt::Key_Return);
        QCOMPARE(panel.input()->text(), QString());
        QTRY_VERIFY_WITH_TIMEOUT(
            sim.commands().contains(QStringLiteral("ServerChat (Warden): hello")), kWait);
        panel.input()->setText(QStringLiteral("all"));
        QTest::mouseClick(panel.broadcastButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(sim.commands().contains(QStringLiteral("Broadcast all")), kWait);

        // "Delete logfile" asks first; No keeps the file, Yes deletes it and empties the view.
        const QString file = dir.filePath(QStringLiteral("logs/A.log"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(file), kWait);
        MessageBoxes::setNextAnswer(QMessageBox::No);
        emit panel.chatView()->deleteLogfileRequested();
        QCOMPARE(MessageBoxes::lastText(), QStringLiteral("Delete logfile from Server: \"A\"?"));
        QVERIFY(QFile::exists(file));
        MessageBoxes::setNextAnswer(QMessageBox::Yes);
        emit panel.chatView()->deleteLogfileRequested();
        QVERIFY(!QFile::exists(file));
        QCOMPARE(panel.chatView()->document()->toPlainText(), QString());
        QVERIFY(session.isOpen());

        // The close icon closes the chat and the area returns to its closed look.
        QTest::mouseClick(panel.closeButton(), Qt::LeftButton);
        QVERIFY(!session.isOpen());
        QCOMPARE(panel.title(), QStringLiteral("Channel offline"));
        QVERIFY(!panel.input()->isEnabled());
        QCOMPARE(panel.playersOnline()->topLevelItemCount(), 0);
    }
};

QTEST_MAIN(TestChatView)
#include "tst_chatview.moc"
