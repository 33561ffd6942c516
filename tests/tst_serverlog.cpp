#include "chat/ChatLineProcessor.h"
#include "chat/ChatLog.h"
#include "chat/RtfWriter.h"
#include "chat/ServerLogFile.h"

#include "ChatRunText.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray readAll(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QString kStamp = QStringLiteral("[170105-090807]");

ChatLine run(const QString &stamp, const QString &text, const QList<ChatRun> &runs) {
    return ChatLine(stamp, text, runs);
}

} // namespace

class TestServerLog : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void linesSurviveARoundTrip_data() {
        QTest::addColumn<QList<ChatLine>>("lines");
        const QColor grey(128, 128, 128), white(255, 255, 255), red(255, 0, 0);
        const QColor orange(250, 130, 20), odd(1, 2, 3);
        QTest::newRow("stamp grey, chat white bold")
            << QList<ChatLine>{run(kStamp, QStringLiteral("Bob (Rex): hi"),
                                   {{0, 15, grey, false}, {16, 13, white, true}})};
        QTest::newRow("coloured stretch in the middle and at the end")
            << QList<ChatLine>{run(kStamp, QStringLiteral("Tribe A: Bob was killed!"),
                                   {{0, 15, grey, false}, {25, 3, red, false}}),
                               run(kStamp, QStringLiteral("AdminCmd: x"),
                                   {{0, 15, grey, false}, {16, 11, orange, true}})};
        QTest::newRow("bold in the view's own colour and an odd colour") << QList<ChatLine>{
            run(kStamp, QStringLiteral("abc def"), {{16, 3, QColor(), true}, {20, 3, odd, true}})};
        QTest::newRow("characters RTF must escape")
            << QList<ChatLine>{run(kStamp, QStringLiteral("a{b}c\\d\te"), {{16, 4, red, true}})};
        QTest::newRow("Windows-1252 and beyond") << QList<ChatLine>{
            run(kStamp, QStringLiteral(u"Grüße € Привет 😀 “q”"),
                {{16, 5, white, true}, {24, 6, red, false}, {31, 2, orange, false}}),
            run(kStamp, QString(QChar(0x81)) + QChar(0x01), {})};
        QTest::newRow("empty lines, lines without stamp, leading blanks") << QList<ChatLine>{
            ChatLine::fromDisplayText(QString()),
            ChatLine::fromDisplayText(QStringLiteral("  no stamp here "), {{2, 2, red, true}}),
            ChatLine::fromDisplayText(QString()), run(kStamp, QStringLiteral(" x"), {})};
        QTest::newRow("no lines") << QList<ChatLine>{};
    }

    void linesSurviveARoundTrip() {
        QFETCH(QList<ChatLine>, lines);
        ServerLogFile file(m_dir.filePath(QStringLiteral("round.log")));
        QVERIFY2(file.save(lines), qPrintable(file.errorString()));
        const QByteArray bytes = readAll(file.path());
        QVERIFY(bytes.startsWith("{\\rtf1"));
        for (const char c : bytes)
            QVERIFY2(uchar(c) < 0x80, "the document is 7-bit text");
        ChatLog log;
        QVERIFY(file.loadInto(log));
        QCOMPARE(log.lines(), lines);
    }

    void processedBlockSurvivesARoundTrip() {
        const QString body = QStringLiteral(
            "2017.01.05_09.08.07: Bob (Rex): anyone?\n"
            "2017.01.05_09.08.09: AdminCmd: saveworld (PlayerName: Admin, ARKID: 1, SteamID: 2)\n"
            "2017.01.05_09.08.10: Tribe Foo, ID 9: Day 1, 01:02:03: <RichColor Color=\"1, 0, 1, "
            "1\">Bob zerst?rte a wall!</>)\n"
            "2017.01.05_09.08.11: SERVER: Admin restart\n"
            "2017.01.05_09.08.12: SERVER: (Admin): ok\n \n");
        ChatLog log;
        const auto result = log.processBody(body, ChatLineProcessor::Mode::GameLog, QDateTime());
        QCOMPARE(result.lines.size(), 5);
        ServerLogFile file(m_dir.filePath(QStringLiteral("Alpha.log")));
        QVERIFY(file.save(log));
        ChatLog loaded;
        QVERIFY(file.loadInto(loaded));
        QCOMPARE(loaded.lines(), log.lines());
        for (const ChatLine &line : loaded.lines())
            QCOMPARE(line.stamp().size(), 15);
    }

    void richEditDocumentLoads() {
        const QList<ChatLine> lines =
            ServerLogFile::parse(readAll(QStringLiteral(KVD_TEST_DATA "/chat/richedit.rtf")));
        QStringList shown, colours;
        for (const ChatLine &line : lines) {
            shown << line.displayText();
            colours << describe(line);
        }
        QCOMPARE(
            shown,
            (QStringList{QStringLiteral(u"[170105-090807] Bob (Rex): Grüße"),
                         QStringLiteral("[170105-090810] AdminCmd: saveworld"),
                         QStringLiteral(
                             "[170105-090812] Tribe Foo, ID 123: Day 5, 10:11:12: Bob was killed!"),
                         QStringLiteral(u"[170105-090815] Привет €😀"),
                         QStringLiteral("plain continuation  line"),
                         QStringLiteral("[170105-090820] link end"),
                         QStringLiteral("[170105-090825] braces { and } and \\ and\ttab"),
                         QStringLiteral("[170105-090830] last line without paragraph mark")}));
        QCOMPARE(colours,
                 (QStringList{QStringLiteral("grey[0,15) white*[16,32)"),
                              QStringLiteral("grey[0,15) orange*[16,35)"),
                              QStringLiteral("grey[0,15) red[52,67)"), QStringLiteral("grey[0,15)"),
                              QString(), QStringLiteral("grey[0,15) white[16,20)"),
                              QStringLiteral("grey[0,15)"), QStringLiteral("grey[0,15)")}));
        QCOMPARE(lines.at(0).stamp(), QStringLiteral("[170105-090807]"));
        QVERIFY(lines.at(4).stamp().isEmpty());
    }

    // A damaged file must never crash the console or run past its end.
    void damagedDocumentsLoadWhatTheyCan_data() {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("unbalanced closing braces")
            << QByteArray("{\\rtf1 a}}}}\\par b")
            << QStringList{QStringLiteral("a"), QStringLiteral("b")};
        QTest::newRow("no closing brace")
            << QByteArray("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;}\\cf1 red")
            << QStringList{QStringLiteral("red")};
        QTest::newRow("cut inside escapes")
            << QByteArray("{\\rtf1 x\\'4") << QStringList{QStringLiteral("x")};
        QTest::newRow("backslash at the end")
            << QByteArray("{\\rtf1 x\\") << QStringList{QStringLiteral("x")};
        QTest::newRow("binary data longer than the file")
            << QByteArray("{\\rtf1 x\\bin99999 abc") << QStringList{QStringLiteral("x")};
        QTest::newRow("colour beyond the table and negative")
            << QByteArray("{\\rtf1{\\colortbl;}\\cf7 a\\cf-3 b\\par}")
            << QStringList{QStringLiteral("ab")};
        QTest::newRow("huge numbers") << QByteArray("{\\rtf1\\uc99999999999\\u99999999999 a\\par}")
                                      << QStringList{QStringLiteral("a")};
    }

    void damagedDocumentsLoadWhatTheyCan() {
        QFETCH(QByteArray, rtf);
        QFETCH(QStringList, shown);
        QStringList got;
        for (const ChatLine &line : ServerLogFile::parse(rtf))
            got << line.displayText();
        QCOMPARE(got, shown);
    }

    void everyCutOfARichEditDocumentLoads() {
        const QByteArray whole = readAll(QStringLiteral(KVD_TEST_DATA "/chat/richedit.rtf"));
        const int complete = int(ServerLogFile::parse(whole).size());
        for (qsizetype cut = 0; cut <= whole.size(); ++cut)
            QVERIFY(ServerLogFile::parse(whole.left(cut)).size() <= complete);
    }

    void plainTextFileLoadsOneLinePerParagraph() {
        const QList<ChatLine> lines =
            ServerLogFile::parse(readAll(QStringLiteral(KVD_TEST_DATA "/chat/plain.log")));
        QStringList shown;
        for (const ChatLine &line : lines) {
            shown << line.displayText();
            QVERIFY(line.runs().isEmpty());
        }
        QCOMPARE(shown, (QStringList{QStringLiteral(u"[170105-090807] Bob (Rex): Grüße"),
                                     QStringLiteral("continuation line"), QString(),
                                     QStringLiteral("[170105-090812] Tribe Foo, ID 123: Day 5")}));
    }

    void plainTextHonoursByteOrderMarkAndLineEnds() {
        const QByteArray utf8 =
            QByteArray("\xEF\xBB\xBF") + QStringLiteral(u"Привет\rb\nc").toUtf8();
        QStringList shown;
        for (const ChatLine &line : ServerLogFile::parse(utf8))
            shown << line.displayText();
        QCOMPARE(shown, (QStringList{QStringLiteral(u"Привет"), QStringLiteral("b"),
                                     QStringLiteral("c")}));
    }

    void missingFileEmptiesTheLog() {
        ChatLog log;
        log.setLines({ChatLine(kStamp, QStringLiteral("old"))});
        QSignalSpy cleared(&log, &ChatLog::cleared);
        ServerLogFile file(m_dir.filePath(QStringLiteral("none.log")));
        QVERIFY(!file.exists());
        QVERIFY(file.loadInto(log));
        QVERIFY(log.isEmpty());
        QCOMPARE(cleared.count(), 1);
    }

    void failedWriteIsReported() {
        ServerLogFile file(m_dir.filePath(QStringLiteral("missing/dir/x.log")));
        QVERIFY(!file.save({ChatLine(kStamp, QStringLiteral("lost"))}));
        QVERIFY(!file.errorString().isEmpty());
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("missing"))));
    }

    void removeTreatsMissingFileAsDone() {
        const QString path = m_dir.filePath(QStringLiteral("gone.log"));
        ServerLogFile file(path);
        QVERIFY(file.save(QList<ChatLine>{}));
        QVERIFY(file.exists());
        QVERIFY(file.remove());
        QVERIFY(!file.exists());
        QVERIFY(file.remove());
    }

    void fileNameIsBuiltFromTheServerName() {
        QCOMPARE(ServerLogFile::relativeName(QStringLiteral("My Server")),
                 QStringLiteral("logs/My Server.log"));
    }
};

QTEST_GUILESS_MAIN(TestServerLog)
#include "tst_serverlog.moc"
