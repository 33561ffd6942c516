// The chat view and the chat area, offscreen: colours and bold as the lines carry them, blocks
// appended without touching earlier ones, big blocks shown over several event-loop turns, the
// scroll and caret rules, trimming and clearing (also while slices are pending), the log menu
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
#include "ui/Theme.h"

#include "ChatRunText.h"
#include "SimServer.h"

#include <QAbstractTextDocumentLayout>
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

// Lines whose runs differ from one line to the next: white bold chat, a bare stamp, a red tag.
ChatLine colouredLine(int i) {
    const QString text = QStringLiteral("Player%1 (Tribe): hello %1").arg(i);
    QList<ChatRun> runs{{0, 15, QColor(128, 128, 128), false}};
    if (i % 3 == 0)
        runs << ChatRun{16, int(text.size()), QColor(255, 255, 255), true};
    else if (i % 3 == 2)
        runs << ChatRun{16 + 7, 6, QColor(255, 0, 0), false};
    return ChatLine(QStringLiteral("[170105-090807]"), text, runs);
}

QList<ChatLine> colouredLines(int first, int count) {
    QList<ChatLine> lines;
    for (int i = first; i < first + count; ++i)
        lines << colouredLine(i);
    return lines;
}

// A block's formats described as describe() describes a line's runs.
QString describeBlock(const QTextBlock &block) {
    QList<ChatRun> runs;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextCharFormat format = fragment.charFormat();
        const bool bold = format.fontWeight() == QFont::Bold;
        QColor colour = format.foreground().color();
        if (colour == ChatColors::viewText())
            colour = QColor();
        if (!colour.isValid() && !bold)
            continue;
        const ChatRun run{fragment.position() - block.position(), fragment.length(), colour, bold};
        if (!runs.isEmpty() && runs.last().color == colour && runs.last().bold == bold &&
            runs.last().start + runs.last().length == run.start)
            runs.last().length += run.length;
        else
            runs << run;
    }
    return describe(ChatLine(QString(), block.text(), runs));
}

// Empty when the document shows exactly the log's lines (the colours of every seventh), else
// the first difference.
QString differenceFromLog(const ChatView &view, const ChatLog &log) {
    const QTextDocument *document = view.document();
    const int expectedBlocks = std::max(1, log.lineCount());
    if (document->blockCount() != expectedBlocks)
        return QStringLiteral("%1 blocks for %2 lines")
            .arg(document->blockCount())
            .arg(log.lineCount());
    QTextBlock block = document->firstBlock();
    for (int i = 0; i < log.lineCount(); ++i, block = block.next()) {
        const ChatLine &line = log.lines().at(i);
        if (block.text() != line.displayText())
            return QStringLiteral("line %1 reads \"%2\", not \"%3\"")
                .arg(i)
                .arg(block.text(), line.displayText());
        const bool sampled = i % 7 == 0 || i == log.lineCount() - 1;
        if (sampled && describeBlock(block) != describe(line))
            return QStringLiteral("line %1 shows %2, not %3")
                .arg(i)
                .arg(describeBlock(block), describe(line));
    }
    return QString();
}

// What reaches the view while a big block is still being shown.
enum class Midway {
    TrimShownLines,
    TrimLinesNotShownYet,
    SeveralBlocksWithTheirTrims,
    Clear,
    ClearThenNewLines,
    Load,
    AnotherLog,
};

// Runs the event loop until the view has shown its next slice.
bool waitForNextSlice(const ChatView &view) {
    QSignalSpy changed(view.document(), &QTextDocument::blockCountChanged);
    return changed.wait(kWait);
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

Q_DECLARE_METATYPE(Midway)

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

    // The view lightens a colour its dark background would swallow; the log and its file keep
    // the colour the server sent.
    void darkColoursAreLightenedInTheViewOnly() {
        ViewFixture f;
        ChatLineProcessor::DuplicateMemory memory;
        const QString body = QStringLiteral(
            "2017.01.05_09.08.09: Tribe Foo, ID 1: Day 5, 10:11:12: <RichColor Color=\"0, 0, 1, "
            "1\">Bob froze a Dodo!</>)\r\n"
            "2017.01.05_09.08.10: Tribe Foo, ID 1: Day 5, 10:11:13: <RichColor Color=\"0.85, "
            "0.15, 0.25, 1\">Anna destroyed a wall!</>)\r\n\n ");
        const auto result = ChatLineProcessor::process(body, ChatLineProcessor::Mode::GameLog,
                                                       QDateTime::currentDateTime(), memory);
        QCOMPARE(result.lines.size(), 2);
        f.log.append(result.lines);
        const QColor blue(0, 0, 255);
        const QColor tribeRed(217, 38, 64);
        const auto tagColourOf = [](const ChatLine &line) {
            for (const ChatRun &run : line.runs()) {
                if (run.start > 16)
                    return run.color;
            }
            return QColor();
        };
        QCOMPARE(tagColourOf(f.log.lines().at(0)), blue);
        QCOMPARE(tagColourOf(f.log.lines().at(1)), tribeRed);
        const int froze = int(f.view.document()->findBlockByNumber(0).text().indexOf("Bob froze"));
        const int wall = int(f.view.document()->findBlockByNumber(1).text().indexOf("Anna"));
        const QColor shownBlue = formatAt(f.view, 0, froze).foreground().color();
        const QColor shownRed = formatAt(f.view, 1, wall).foreground().color();
        QCOMPARE(shownBlue, ChatColors::readableOnBackground(blue));
        QCOMPARE(shownRed, ChatColors::readableOnBackground(tribeRed));
        QVERIFY(shownBlue != blue && shownRed != tribeRed);
        QCOMPARE(shownBlue.blue(), 255);
        QVERIFY(ChatColors::contrast(shownBlue, ChatColors::background()) >= 4.5);

        QTemporaryDir dir;
        ServerLogFile file(dir.filePath(QStringLiteral("Alpha.log")));
        QVERIFY(file.save(f.log));
        ChatLog reread;
        QVERIFY(file.loadInto(reread));
        QCOMPARE(tagColourOf(reread.lines().at(0)), blue);
        QCOMPARE(tagColourOf(reread.lines().at(1)), tribeRed);
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
        QTRY_VERIFY_WITH_TIMEOUT(f.view.isUpToDate(), kWait);
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

    void aBigBlockIsShownCompletelyAfterItsSlices_data() {
        QTest::addColumn<int>("linesBefore");
        QTest::addColumn<bool>("scrolledUp");
        QTest::addColumn<int>("width");
        const int full = ChatLog::kMaxLines;
        QTest::newRow("into an empty view") << 0 << false << 400;
        QTest::newRow("into a full view that follows the end") << full << false << 400;
        QTest::newRow("into a full view scrolled up to read") << full << true << 400;
        QTest::newRow("into a full view of wrapped lines, scrolled up") << full << true << 120;
    }

    void aBigBlockIsShownCompletelyAfterItsSlices() {
        QFETCH(int, linesBefore);
        QFETCH(bool, scrolledUp);
        QFETCH(int, width);
        ViewFixture f;
        f.view.resize(width, 200);
        f.log.append(colouredLines(0, linesBefore));
        QTRY_VERIFY_WITH_TIMEOUT(f.view.isUpToDate(), kWait);
        if (scrolledUp) {
            // The operator has read the oldest lines, so they are laid out (wrapped, if narrow).
            const QAbstractTextDocumentLayout *layout = f.view.document()->documentLayout();
            for (QTextBlock b = f.view.document()->firstBlock(); b.blockNumber() < 3000;
                 b = b.next())
                layout->blockBoundingRect(b);
            f.bar()->setValue(f.view.document()->findBlockByNumber(5000).firstLineNumber());
        } else {
            f.bar()->setValue(f.bar()->maximum());
        }
        const int inView = f.view.lastVisibleLine();
        const QString shown = f.view.document()->findBlockByNumber(inView).text();
        QSignalSpy caughtUp(&f.view, &ChatView::caughtUp);

        f.log.append(colouredLines(linesBefore, 5 * ChatView::kMostLinesPerTurn));
        f.log.trim();
        QVERIFY(!f.view.isUpToDate());
        // No more than one turn's lines went in before the event loop ran again.
        QVERIFY(f.view.document()->blockCount() <=
                ChatLog::kMaxLines + ChatView::kMostLinesPerTurn);

        QTRY_VERIFY_WITH_TIMEOUT(f.view.isUpToDate(), kWait);
        QCOMPARE(caughtUp.count(), 1);
        QCOMPARE(differenceFromLog(f.view, f.log), QString());
        if (scrolledUp) {
            // The trimmed lines left the top; the lines the operator reads stayed in view.
            QCOMPARE(f.view.document()->findBlockByNumber(f.view.lastVisibleLine()).text(), shown);
            QVERIFY(!f.view.isShowingLastLine());
        } else {
            QVERIFY(f.view.isShowingLastLine());
            QCOMPARE(f.view.lastVisibleLine(), f.view.document()->blockCount() - 1);
        }
    }

    void theOperatorScrollingDuringSlicesDecidesWhetherTheViewFollows() {
        ViewFixture f;
        f.log.append(colouredLines(0, 200));
        f.bar()->setValue(f.bar()->maximum());

        // Each slice follows the end while the view shows it; scrolled up, the view stays.
        f.log.append(colouredLines(200, 4 * ChatView::kMostLinesPerTurn));
        QVERIFY(f.view.isShowingLastLine());
        QVERIFY(waitForNextSlice(f.view));
        QVERIFY(!f.view.isUpToDate());
        QVERIFY(f.view.isShowingLastLine());
        f.bar()->setValue(10);
        QTRY_VERIFY_WITH_TIMEOUT(f.view.isUpToDate(), kWait);
        QCOMPARE(f.bar()->value(), 10);

        // Back at the end while a block is still coming in: the view follows it to its last line.
        f.log.append(colouredLines(1800, 4 * ChatView::kMostLinesPerTurn));
        QCOMPARE(f.bar()->value(), 10);
        f.bar()->setValue(f.bar()->maximum());
        QTRY_VERIFY_WITH_TIMEOUT(f.view.isUpToDate(), kWait);
        QVERIFY(f.view.isShowingLastLine());
        QCOMPARE(f.view.lastVisibleLine(), f.log.lineCount() - 1);
    }

    void trimsAndClearsDuringSlicesLeaveExactlyTheLogsLines_data() {
        QTest::addColumn<int>("linesBefore");
        QTest::addColumn<Midway>("midway");
        const int full = ChatLog::kMaxLines;
        QTest::newRow("trim of shown lines") << full << Midway::TrimShownLines;
        QTest::newRow("trim reaching lines not shown yet") << 0 << Midway::TrimLinesNotShownYet;
        QTest::newRow("blocks and trims in a row") << full << Midway::SeveralBlocksWithTheirTrims;
        QTest::newRow("clear") << 100 << Midway::Clear;
        QTest::newRow("clear, then new lines") << 100 << Midway::ClearThenNewLines;
        QTest::newRow("a load over it") << full << Midway::Load;
        QTest::newRow("another log set") << 100 << Midway::AnotherLog;
    }

    void trimsAndClearsDuringSlicesLeaveExactlyTheLogsLines() {
        QFETCH(int, linesBefore);
        QFETCH(Midway, midway);
        ViewFixture f;
        ChatLog other;
        f.log.append(colouredLines(0, linesBefore));
        QTRY_VERIFY_WITH_TIMEOUT(f.view.isUpToDate(), kWait);

        const int block = 3 * ChatView::kMostLinesPerTurn;
        int next = linesBefore;
        auto appendBlock = [&](int count) {
            f.log.append(colouredLines(next, count));
            next += count;
        };
        if (midway == Midway::TrimLinesNotShownYet)
            appendBlock(ChatLog::kMaxLines + block);
        else
            appendBlock(block);
        QVERIFY(!f.view.isUpToDate());
        QVERIFY(waitForNextSlice(f.view));
        QVERIFY(!f.view.isUpToDate());

        switch (midway) {
        case Midway::TrimShownLines:
            QCOMPARE(f.log.trim(), block);
            break;
        case Midway::TrimLinesNotShownYet:
            // More lines go than the first two slices have shown.
            QVERIFY(f.view.document()->blockCount() < block);
            QCOMPARE(f.log.trim(), block);
            break;
        case Midway::SeveralBlocksWithTheirTrims:
            f.log.trim();
            appendBlock(block);
            f.log.trim();
            appendBlock(20);
            f.log.trim();
            break;
        case Midway::Clear:
            f.log.clear();
            break;
        case Midway::ClearThenNewLines:
            f.log.clear();
            appendBlock(20);
            break;
        case Midway::Load:
            f.log.setLines(colouredLines(50000, ChatLog::kMaxLines));
            break;
        case Midway::AnotherLog:
            other.append(colouredLines(70000, block));
            f.view.setChatLog(&other);
            break;
        }
        QTRY_VERIFY_WITH_TIMEOUT(f.view.isUpToDate(), kWait);
        const ChatLog &shown = midway == Midway::AnotherLog ? other : f.log;
        QCOMPARE(differenceFromLog(f.view, shown), QString());

        // Lines that arrive afterwards still land after the right ones.
        appendBlock(2 * ChatView::kMostLinesPerTurn);
        f.log.trim();
        QTRY_VERIFY_WITH_TIMEOUT(f.view.isUpToDate(), kWait);
        QCOMPARE(differenceFromLog(f.view, shown), QString());
    }

    void theCaretAndSelectionStayWhileSlicesArrive() {
        ViewFixture f;
        f.log.append(colouredLines(0, ChatLog::kMaxLines - 100));
        QTRY_VERIFY_WITH_TIMEOUT(f.view.isUpToDate(), kWait);
        QApplication::setActiveWindow(&f.view);
        f.view.setFocus();

        // A selection the operator made keeps its text while lines come below and go above.
        QTextCursor selection(f.view.document()->findBlockByNumber(5000));
        selection.setPosition(selection.position() + 3);
        selection.setPosition(selection.position() + 12, QTextCursor::KeepAnchor);
        f.view.setTextCursor(selection);
        const QString selected = f.view.textCursor().selectedText();
        f.log.append(colouredLines(ChatLog::kMaxLines, 4 * ChatView::kMostLinesPerTurn));
        f.log.trim();
        QTRY_VERIFY_WITH_TIMEOUT(f.view.isUpToDate(), kWait);
        QCOMPARE(f.view.textCursor().selectedText(), selected);
        QVERIFY(f.view.hasFocus());

        // A caret at the end stays after the line it was after; the new lines come below it.
        f.view.scrollToEnd();
        const QString lastLine = f.view.document()->lastBlock().text();
        f.log.append(colouredLines(30000, 4 * ChatView::kMostLinesPerTurn));
        f.log.trim();
        QTRY_VERIFY_WITH_TIMEOUT(f.view.isUpToDate(), kWait);
        QCOMPARE(f.view.textCursor().block().text(), lastLine);
        QVERIFY(f.view.textCursor().atBlockEnd());
        QVERIFY(!f.view.textCursor().atEnd());
        QVERIFY(f.view.isShowingLastLine());
    }

    void scrollingToTheEndDuringALoadPutsTheCaretAfterAllOfIt() {
        // As a chat opens: its file is loaded, then the view goes to the end.
        ViewFixture f;
        f.log.setLines(colouredLines(0, ChatLog::kMaxLines));
        f.view.scrollToEnd();
        QVERIFY(!f.view.isUpToDate());
        QTRY_VERIFY_WITH_TIMEOUT(f.view.isUpToDate(), kWait);
        QVERIFY(f.view.textCursor().atEnd());
        QVERIFY(f.view.isShowingLastLine());
        QCOMPARE(differenceFromLog(f.view, f.log), QString());

        // A block after the load does not take the caret along.
        f.log.append(colouredLines(ChatLog::kMaxLines, 2 * ChatView::kMostLinesPerTurn));
        f.log.trim();
        QTRY_VERIFY_WITH_TIMEOUT(f.view.isUpToDate(), kWait);
        QVERIFY(!f.view.textCursor().atEnd());
        QVERIFY(f.view.isShowingLastLine());

        // The operator places the caret while the load is still coming in: it stays there.
        f.log.setLines(colouredLines(0, 3 * ChatView::kMostLinesPerTurn));
        f.view.scrollToEnd();
        QVERIFY(waitForNextSlice(f.view));
        QVERIFY(!f.view.isUpToDate());
        f.view.setTextCursor(QTextCursor(f.view.document()->findBlockByNumber(3)));
        QTRY_VERIFY_WITH_TIMEOUT(f.view.isUpToDate(), kWait);
        QCOMPARE(f.view.textCursor().blockNumber(), 3);
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
        // A load still being shown counts with all its lines; a cleared view has none.
        f.log.setLines(plainLines(0, 3 * ChatView::kMostLinesPerTurn));
        menu.reset(f.view.createLogMenu(nullptr));
        QVERIFY(!f.view.isUpToDate());
        QVERIFY(menu->actions().last()->isEnabled());
        f.log.clear();
        menu.reset(f.view.createLogMenu(nullptr));
        QVERIFY(!menu->actions().last()->isEnabled());
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
        const int row =
            console.servers()->appendServer({QStringLiteral("A"), QStringLiteral("127.0.0.1"),
                                             sim.portText(), QStringLiteral("pw")});
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

    // Under Xvfb or offscreen with KVD_SCREENSHOT_DIR set: the chat view with the game's
    // colours, a tribe line of a colour beyond the six known ones, and a blue line made readable.
    void screenshot() {
        const QByteArray shots = qgetenv("KVD_SCREENSHOT_DIR");
        if (shots.isEmpty())
            QSKIP("KVD_SCREENSHOT_DIR is not set");
        Theme::apply(*qApp);
        ViewFixture f;
        f.view.resize(860, 136);
        ChatLineProcessor::DuplicateMemory memory;
        const QString body = QStringLiteral(
            "2031.06.01_21.30.02: Anna Lena (Rex): anyone up for a raid?\r\n"
            "2031.06.01_21.30.05: AdminCmd: saveworld (PlayerName: Admin)\r\n"
            "2031.06.01_21.30.06: SERVER: (Admin): world saved, restart at 22:00\r\n"
            "2031.06.01_21.30.09: Tribe Raptor Riders, ID 1234567: Day 212, 04:11:09: <RichColor "
            "Color=\"0.85, 0.15, 0.25, 1\">Anna Lena destroyed a 'Wooden Wall'!</>)\r\n"
            "2031.06.01_21.30.12: Tribe Raptor Riders, ID 1234567: Day 212, 04:11:12: <RichColor "
            "Color=\"0, 0, 1, 1\">Your Rex - Lvl 112 (Rex) was frozen!</>)\r\n"
            "2031.06.01_21.30.15: Tribe Raptor Riders, ID 1234567: Day 212, 04:11:15: <RichColor "
            "Color=\"0, 1, 0, 1\">Big.Bob tamed a Parasaur - Lvl 40 (Parasaur)!</>)\r\n"
            "2031.06.01_21.30.20: SERVER: Admin restarts the server in 30 minutes\r\n\n ");
        f.log.append(ChatLineProcessor::process(body, ChatLineProcessor::Mode::GameLog,
                                                QDateTime::currentDateTime(), memory)
                         .lines);
        QVERIFY(QTest::qWaitForWindowExposed(&f.view));
        QVERIFY(f.view.grab().save(QString::fromLocal8Bit(shots) +
                                   QStringLiteral("/chat-colours.png")));
    }
};

QTEST_MAIN(TestChatView)
#include "tst_chatview.moc"
