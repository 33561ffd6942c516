#include "chat/ChatLog.h"

#include <QSignalSpy>
#include <QtTest>

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
