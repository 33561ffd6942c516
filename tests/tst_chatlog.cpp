#include "chat/ChatLog.h"

#include "ChatRunText.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>

using Mode = ChatLineProcessor::Mode;

namespace {

const QDateTime kReceived(QDate(2017, 1, 5), QTime(9, 8, 7));

QList<ChatLine> stampedLines(int count, const QString &prefix = QStringLiteral("line")) {
    QList<ChatLine> lines;
    lines.reserve(count);
    for (int i = 0; i < count; ++i)
        lines.append(ChatLine(QStringLiteral("[170101-000000]"), prefix + QString::number(i)));
    return lines;
}

ChatLine plain(const QString &text) {
    return ChatLine::fromDisplayText(text);
}

const QString kColoured = QStringLiteral(
    "2017.01.05_09.08.07: Tribe Foo, ID 123: Day 5, 10:11:12: <RichColor Color=\"1, 0, 0, "
    "1\">Bob was killed!</>)\n");
const QString kPlainCopy =
    QStringLiteral("2017.01.05_09.08.07: Tribe Foo, ID 123: Day 5, 10:11:12: Bob was killed!\n");

// A generated block and the number of lines it adds, known by construction: every line has a
// stamp of its own except the plain copies of coloured lines, which share the coloured line's.
struct GeneratedBlock {
    QString body;
    int added = 0;
};

enum class Ending { LineFeed, ShortRest, NoLineFeed };

GeneratedBlock generateBlock(Mode mode, int added, Ending ending, quint32 seed) {
    QRandomGenerator random(seed);
    GeneratedBlock block;
    int second = 100;
    const auto stamp = [&second] {
        ++second;
        return QStringLiteral("2017.01.05_%1.%2.%3: ")
            .arg(second / 3600 % 24, 2, 10, QLatin1Char('0'))
            .arg(second / 60 % 60, 2, 10, QLatin1Char('0'))
            .arg(second % 60, 2, 10, QLatin1Char('0'));
    };
    const auto line = [&](const QString &text, bool counted = true) {
        block.body += text + QLatin1Char('\n');
        if (counted)
            ++block.added;
    };
    // The last line is a full one, so that the loop takes every line generated before it.
    while (block.added < added - 1) {
        switch (random.bounded(10)) {
        case 0:
            line(QString());
            break;
        case 1:
            line(QStringLiteral("abcdefgh").left(random.bounded(1, 9)));
            break;
        case 2:
            line(stamp() + QStringLiteral("Bob (Rex): hi %1").arg(random.generate()));
            break;
        case 3:
            line(stamp() + QStringLiteral("AdminCmd: saveworld (PlayerName: Admin)\r"));
            break;
        case 4:
        case 5: {
            // In game-log mode a plain copy goes; a further copy follows a plain line and stays.
            const QString s = stamp();
            line(s + QStringLiteral("Tribe Foo, ID 123: Day 5, 10:11:12: <RichColor Color=\"1, 0, "
                                    "0, 1\">Bob was killed!</>)"));
            const int copies = random.bounded(1, 4);
            for (int i = 0; i < copies && block.added < added - 1; ++i)
                line(s + QStringLiteral("Tribe Foo, ID 123: Day 5, 10:11:12: Bob was killed!"),
                     mode == Mode::Chat || i > 0);
            break;
        }
        case 6:
            // Without a stamp of its own, the chat stamp is all that can mark this line.
            line(QStringLiteral("plain words here %1").arg(random.generate()));
            break;
        case 7:
            line(QStringLiteral("abcdef-ghijklmnopq"));
            break;
        case 8:
            line(stamp() + QStringLiteral("Raptor wurde get?tet!"));
            break;
        default:
            line(stamp() + QStringLiteral("SERVER: Admin says the cave is closed"));
        }
    }
    block.body += stamp() + QStringLiteral("last words of the block");
    ++block.added;
    if (ending == Ending::LineFeed)
        block.body += QLatin1Char('\n');
    else if (ending == Ending::ShortRest)
        block.body += QStringLiteral("\n  \n");
    return block;
}

// A full view as a file can hold it: some lines without any stamp mark after its oldest one.
QList<ChatLine> viewWithUnstampedLines(int count) {
    QList<ChatLine> lines = stampedLines(count);
    for (const int i : {1, 2, 3, 5, 8, 9, 10, 11}) {
        if (i < count)
            lines[i] = plain(QStringLiteral("continued %1").arg(i));
    }
    return lines;
}

struct ViewAfter {
    QList<ChatLine> lines;
    ChatLineProcessor::DuplicateMemory memory;
    bool saveWanted = false;
    int added = 0;
};

// The straightforward way: build every line of the block, append them all, then trim.
ViewAfter processEveryLine(const QList<ChatLine> &view, const QString &body, Mode mode,
                           const QDateTime &receivedAt,
                           const ChatLineProcessor::DuplicateMemory &memory) {
    ViewAfter after{view, memory, false, 0};
    const auto result = ChatLineProcessor::process(body, mode, receivedAt, after.memory);
    after.lines.append(result.lines);
    after.saveWanted = result.saveWanted;
    after.added = int(result.lines.size());
    qsizetype removed = 0;
    while (after.lines.size() - removed > ChatLog::kMaxLines) {
        ++removed;
        while (removed < after.lines.size() &&
               !ChatLine::hasAnyStampMark(after.lines.at(removed).displayText()))
            ++removed;
    }
    after.lines.remove(0, removed);
    return after;
}

} // namespace

class TestChatLog : public QObject {
    Q_OBJECT

private slots:
    void trimRemovesOldestAndItsContinuation_data() {
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("removed");
        // Lines following the oldest one go as well while none of "[" (1st), "-" (8th),
        // "]" (15th) or a blank (16th) stands at its place.
        QTest::newRow("stamped next line stays") << QStringList{} << 1;
        QTest::newRow("continuation lines go")
            << QStringList{QStringLiteral("continued text"), QStringLiteral("more text here")} << 3;
        QTest::newRow("one stamp character is enough to stay")
            << QStringList{QStringLiteral("xxxxxxx-")} << 1;
        QTest::newRow("blank at 16th place is enough")
            << QStringList{QStringLiteral("abcdefghijklmno tail")} << 1;
        QTest::newRow("short and empty lines go")
            << QStringList{QString(), QStringLiteral("ab")} << 3;
    }

    void trimRemovesOldestAndItsContinuation() {
        QFETCH(QStringList, after);
        QFETCH(int, removed);
        ChatLog log;
        QList<ChatLine> lines{ChatLine(QStringLiteral("[170101-000000]"), QStringLiteral("old"))};
        for (const QString &text : after)
            lines.append(plain(text));
        lines.append(stampedLines(ChatLog::kMaxLines - int(after.size())));
        log.setLines(lines);
        QCOMPARE(log.lineCount(), ChatLog::kMaxLines + 1);

        QSignalSpy trimmed(&log, &ChatLog::linesTrimmed);
        QCOMPARE(log.trim(), removed);
        QCOMPARE(trimmed.count(), 1);
        QCOMPARE(trimmed.at(0).at(0).toInt(), removed);
        QCOMPARE(log.lineCount(), ChatLog::kMaxLines + 1 - removed);
        QCOMPARE(log.lines().constLast().text(),
                 QStringLiteral("line%1").arg(ChatLog::kMaxLines - after.size() - 1));
    }

    void trimLeavesAFullLogAlone() {
        ChatLog log;
        log.setLines(stampedLines(ChatLog::kMaxLines));
        QSignalSpy trimmed(&log, &ChatLog::linesTrimmed);
        QCOMPARE(log.trim(), 0);
        QCOMPARE(trimmed.count(), 0);
    }

    void trimNeverRunsPastTheEnd() {
        QList<ChatLine> lines{ChatLine(QStringLiteral("[170101-000000]"), QStringLiteral("x"))};
        for (int i = 0; i < 5; ++i)
            lines.append(plain(QStringLiteral("no stamp")));
        QCOMPARE(ChatLog::trimCount(lines, 0), 6);
        QCOMPARE(ChatLog::trimCount(lines, 3), 6);
    }

    void blockIsAppendedOnceAndTrimmedAfter() {
        ChatLog log;
        log.setLines(stampedLines(ChatLog::kMaxLines));
        QSignalSpy appended(&log, &ChatLog::linesAppended);
        QSignalSpy trimmed(&log, &ChatLog::linesTrimmed);
        QSignalSpy cleared(&log, &ChatLog::cleared);

        const auto result = log.processBody(
            QStringLiteral("Bob (Rex): hi\nAnn (Rex): ho\nEve (Rex): he\n"), Mode::Chat, kReceived);
        QCOMPARE(result.lines.size(), 3);
        QCOMPARE(appended.count(), 1);
        QCOMPARE(appended.at(0).at(0).toInt(), ChatLog::kMaxLines);
        QCOMPARE(appended.at(0).at(1).toInt(), 3);
        QCOMPARE(trimmed.count(), 1);
        QCOMPARE(trimmed.at(0).at(0).toInt(), 3);
        QCOMPARE(cleared.count(), 0);
        QCOMPARE(log.lineCount(), ChatLog::kMaxLines);
        QCOMPARE(log.lines().constFirst().text(), QStringLiteral("line3"));
        QCOMPARE(log.lines().constLast().text(), QStringLiteral("Eve (Rex): he"));
    }

    void answersWithoutLinesChangeNothing() {
        ChatLog log;
        QSignalSpy appended(&log, &ChatLog::linesAppended);
        log.processBody(QStringLiteral("Keep Alive"), Mode::GameLog, kReceived);
        log.processBody(QStringLiteral("Server received, But no response!! \n"), Mode::GameLog,
                        kReceived);
        QVERIFY(log.isEmpty());
        QCOMPARE(appended.count(), 0);
    }

    // A plain copy of a coloured tribe line is dropped only after the coloured line of the
    // same server; the watch view visits servers in turn and must not mix them.
    void duplicateMemoryBelongsToOneServer() {
        ChatLog log;
        log.setServerName(QStringLiteral("Alpha"));
        QCOMPARE(log.processBody(kColoured, Mode::GameLog, kReceived).lines.size(), 1);

        log.setServerName(QStringLiteral("Beta"));
        QCOMPARE(log.processBody(kPlainCopy, Mode::GameLog, kReceived).lines.size(), 1);

        log.setServerName(QStringLiteral("Alpha"));
        QCOMPARE(log.processBody(kPlainCopy, Mode::GameLog, kReceived).lines.size(), 0);
    }

    void viewsDoNotShareTheirMemory() {
        ChatLog chatView, watchView;
        chatView.setServerName(QStringLiteral("Alpha"));
        watchView.setServerName(QStringLiteral("Alpha"));
        chatView.processBody(kColoured, Mode::GameLog, kReceived);
        QCOMPARE(watchView.processBody(kPlainCopy, Mode::GameLog, kReceived).lines.size(), 1);
    }

    // Lines that the trim removes are never built; the view ends exactly as if they had been.
    void blockLargerThanTheViewKeepsItsNewestLines_data() {
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<bool>("stampedChat");
        QTest::addColumn<int>("viewLines");
        QTest::addColumn<int>("added");
        QTest::addColumn<Ending>("ending");
        QTest::addColumn<bool>("primed");
        constexpr int kMax = ChatLog::kMaxLines;
        const auto row = [](const char *name, Mode mode, bool stampedChat, int viewLines, int added,
                            Ending ending, bool primed = false) {
            QTest::newRow(name) << mode << stampedChat << viewLines << added << ending << primed;
        };
        row("game log, a few lines into a full view", Mode::GameLog, true, kMax, 3,
            Ending::LineFeed);
        row("game log, one short of the limit", Mode::GameLog, true, kMax, kMax - 1,
            Ending::ShortRest);
        row("game log, exactly the limit", Mode::GameLog, true, kMax, kMax, Ending::LineFeed);
        row("game log, one over the limit", Mode::GameLog, true, 0, kMax + 1, Ending::NoLineFeed);
        row("game log, far over the limit", Mode::GameLog, true, 5, kMax + 9000, Ending::LineFeed);
        row("game log, first line a copy of the last block's", Mode::GameLog, true, 0, kMax,
            Ending::LineFeed, true);
        row("chat, exactly the limit", Mode::Chat, true, kMax, kMax, Ending::LineFeed);
        row("chat, over the limit", Mode::Chat, true, kMax, kMax + 5001, Ending::ShortRest);
        row("chat without stamps, a few lines", Mode::Chat, false, kMax, 7, Ending::LineFeed);
        row("chat without stamps, exactly the limit", Mode::Chat, false, 4, kMax,
            Ending::NoLineFeed);
        row("chat without stamps, one over the limit", Mode::Chat, false, 0, kMax + 1,
            Ending::LineFeed);
        row("chat without stamps, over the limit", Mode::Chat, false, kMax, kMax + 37,
            Ending::ShortRest);
    }

    void blockLargerThanTheViewKeepsItsNewestLines() {
        QFETCH(Mode, mode);
        QFETCH(bool, stampedChat);
        QFETCH(int, viewLines);
        QFETCH(int, added);
        QFETCH(Ending, ending);
        QFETCH(bool, primed);
        // An invalid time gives chat lines no stamp, so the trim also removes lines after the cut.
        const QDateTime receivedAt = stampedChat ? kReceived : QDateTime();
        const GeneratedBlock block =
            generateBlock(mode, added, ending, quint32(viewLines + added + int(ending)));
        const QString firstCopy = QStringLiteral(
            "2017.01.05_00.01.41: Tribe Foo, ID 123: Day 5, 10:11:12: Bob was killed!\n");

        ChatLog log;
        log.setLines(viewWithUnstampedLines(viewLines));
        if (primed)
            ChatLineProcessor::process(
                QString(firstCopy).replace(QStringLiteral("Bob was killed!"),
                                           QStringLiteral("<RichColor Color=\"1, 0, 0, 1\">Bob "
                                                          "was killed!</>")),
                mode, receivedAt, log.duplicateMemory());
        const QString body = primed ? firstCopy + block.body : block.body;
        const ViewAfter expected =
            processEveryLine(log.lines(), body, mode, receivedAt, log.duplicateMemory());
        // The block is the one meant: near the limit, and a primed first line is dropped.
        QCOMPARE(expected.added, block.added);

        QSignalSpy appended(&log, &ChatLog::linesAppended);
        QSignalSpy trimmed(&log, &ChatLog::linesTrimmed);
        const auto result = log.processBody(body, mode, receivedAt);
        QCOMPARE(result.lines.size(), std::min(block.added, ChatLog::kMaxLines));
        QCOMPARE(result.saveWanted, expected.saveWanted);
        QCOMPARE(log.duplicateMemory().stamp, expected.memory.stamp);
        QCOMPARE(log.duplicateMemory().line, expected.memory.line);
        QCOMPARE(log.lineCount(), expected.lines.size());
        for (int i = 0; i < log.lineCount(); ++i) {
            if (log.lines().at(i) != expected.lines.at(i)) {
                QCOMPARE(log.lines().at(i).displayText(), expected.lines.at(i).displayText());
                QCOMPARE(describe(log.lines().at(i)), describe(expected.lines.at(i)));
            }
        }
        // A view that follows the signals ends with the same lines.
        QCOMPARE(appended.size(), 1);
        const int trimmedCount = trimmed.isEmpty() ? 0 : trimmed.at(0).at(0).toInt();
        QCOMPARE(viewLines + appended.at(0).at(1).toInt() - trimmedCount, log.lineCount());
    }

    void setLinesClearsThenAppends() {
        ChatLog log;
        log.setLines(stampedLines(2));
        QSignalSpy appended(&log, &ChatLog::linesAppended);
        QSignalSpy cleared(&log, &ChatLog::cleared);
        log.setLines(stampedLines(5, QStringLiteral("new")));
        QCOMPARE(cleared.count(), 1);
        QCOMPARE(appended.count(), 1);
        QCOMPARE(appended.at(0).at(0).toInt(), 0);
        QCOMPARE(appended.at(0).at(1).toInt(), 5);
        QCOMPARE(log.lines().constFirst().text(), QStringLiteral("new0"));
    }
};

QTEST_GUILESS_MAIN(TestChatLog)
#include "tst_chatlog.moc"
