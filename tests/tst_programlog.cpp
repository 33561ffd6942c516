#include "base/Clock.h"
#include "base/LogStamp.h"
#include "base/ProgramLog.h"
#include "base/TextFile.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <limits>

namespace {
const QDateTime kNow(QDate(2017, 1, 5), QTime(9, 8, 7));

QStringList numberedLines(int count, const QString &prefix) {
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("[170101-000000] %1 %2").arg(prefix).arg(i);
    return lines;
}
} // namespace

class TestProgramLog : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    std::unique_ptr<ProgramLog> makeLog() {
        auto log = std::make_unique<ProgramLog>(m_dir.path());
        return log;
    }
    QString file(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

private slots:
    void initTestCase() {
        Clock::setSource([] { return kNow; });
    }
    void cleanupTestCase() { Clock::reset(); }

    void init() {
        for (const char *name : {"kvd.log", "kvd.bck", "kvd_log_deleted.old"}) {
            QFile::remove(file(name));
            QDir(file(name)).removeRecursively();
        }
    }

    void entryHasStampAndNoLineBreaks() {
        auto log = makeLog();
        QSignalSpy added(log.get(), &ProgramLog::entryAdded);
        log->message(QStringLiteral("first\r\nsecond\nthird"));
        QCOMPARE(log->lines(), QStringList{QStringLiteral("[170105-090807] firstsecondthird")});
        QCOMPARE(added.count(), 1);
    }

    void onlyAnExactRepeatOfTheNewestLineIsDropped() {
        auto log = makeLog();
        const QString online = QStringLiteral("Serverstatus (A):  Online");
        log->message(online);
        log->message(online);
        QCOMPARE(log->lines().size(), 1);
        log->message(QStringLiteral("Serverstatus (B):  Timeout"));
        log->message(online);
        QCOMPARE(log->lines().size(), 3);
        QVERIFY(log->lines().constFirst().endsWith(online));
    }

    // A text that the newest line holds, but is not, is an outcome of its own.
    void aTextContainedInTheNewestLineKeepsItsLine_data() {
        QTest::addColumn<QString>("newest");
        QTest::addColumn<QString>("next");
        QTest::newRow("server name within another")
            << QStringLiteral("Command successfully: saveworld @ Alpha2")
            << QStringLiteral("Command successfully: saveworld @ Alpha");
        QTest::newRow("a part of the status line")
            << QStringLiteral("Serverstatus (A):  Online") << QStringLiteral("Online");
        QTest::newRow("kick errors, a shorter id")
            << QStringLiteral("ERROR: Command KickPlayer 765611980000000041")
            << QStringLiteral("ERROR: Command KickPlayer 76561198000000004");
    }
    void aTextContainedInTheNewestLineKeepsItsLine() {
        QFETCH(QString, newest);
        QFETCH(QString, next);
        auto log = makeLog();
        log->message(newest);
        log->message(next);
        QCOMPARE(log->lines().size(), 2);
        QCOMPARE(log->lines().at(0), QStringLiteral("[170105-090807] ") + next);
        log->message(next);
        QCOMPARE(log->lines().size(), 2);
    }

    void errorEntriesReachNoLineAndNoFile() {
        auto log = makeLog();
        QSignalSpy added(log.get(), &ProgramLog::entryAdded);
        log->log(QLatin1Char('e'), QStringLiteral("connection reset (Read1)"));
        QVERIFY(log->lines().isEmpty());
        QCOMPARE(added.count(), 0);
    }

    void fullLogDropsOldestLine() {
        auto log = makeLog();
        QStringList lines = numberedLines(ProgramLog::kMaxLines, QStringLiteral("old"));
        log->setLines(lines);
        log->message(QStringLiteral("newest"));
        QCOMPARE(log->lines().size(), ProgramLog::kMaxLines);
        QVERIFY(log->lines().constFirst().endsWith(QLatin1String("newest")));
        QCOMPARE(log->lines().constLast(), lines.at(ProgramLog::kMaxLines - 2));
        QCOMPARE(log->rowCount(), ProgramLog::kMaxLines);
    }

    void emptyLinesNearTheTopAreCleanedUp() {
        auto log = makeLog();
        QStringList lines = numberedLines(20, QStringLiteral("x"));
        lines[2] = QString();
        lines[5] = QString();
        lines[15] = QString();
        log->setLines(lines);
        log->message(QStringLiteral("new"));
        // Positions 0 to 10 are visited once: the two empty lines there go, the one further
        // down stays.
        QCOMPARE(log->lines().size(), 19);
        QCOMPARE(log->lines().count(QString()), 1);
    }

    void startupLoad_data() {
        QTest::addColumn<int>("logLines");
        QTest::addColumn<int>("backupLines");
        QTest::addColumn<QString>("shownFrom");
        QTest::addColumn<int>("shownCount");
        QTest::addColumn<int>("backupAfter");

        QTest::newRow("short log, long backup") << 5 << 40 << "bck" << 40 << 40;
        QTest::newRow("short log, backup of exactly 10") << 5 << 10 << "log" << 5 << 10;
        QTest::newRow("20 lines, no backup written") << 20 << 0 << "log" << 20 << 0;
        QTest::newRow("long log refreshes backup") << 35 << 12 << "log" << 35 << 35;
        QTest::newRow("no files") << 0 << 0 << "log" << 0 << 0;
    }

    void startupLoad() {
        QFETCH(int, logLines);
        QFETCH(int, backupLines);
        QFETCH(QString, shownFrom);
        QFETCH(int, shownCount);
        QFETCH(int, backupAfter);

        if (logLines > 0)
            QVERIFY(TextFile::writeLines(file("kvd.log"),
                                         numberedLines(logLines, QStringLiteral("log"))));
        if (backupLines > 0)
            QVERIFY(TextFile::writeLines(file("kvd.bck"),
                                         numberedLines(backupLines, QStringLiteral("bck"))));

        auto log = makeLog();
        log->load();
        QCOMPARE(log->lines().size(), shownCount + 1);
        QCOMPARE(log->lines().constFirst(), ProgramLog::startMarker(kNow));
        QCOMPARE(log->lines().constFirst().size(), 16 + 62);
        if (shownCount > 0)
            QVERIFY(log->lines().at(1).contains(shownFrom + QLatin1Char(' ')));
        QCOMPARE(TextFile::readLines(file("kvd.bck")).size(), backupAfter);
    }

    void startupLoadDropsBlankLines() {
        QFile out(file("kvd.log"));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("[170101-000000] a\r\n\r\n[170101-000000] b\r\n   \r\n\r\n[170101-000000] c\r\n");
        out.close();
        auto log = makeLog();
        log->load();
        QCOMPARE(
            log->lines().mid(1),
            (QStringList{QStringLiteral("[170101-000000] a"), QStringLiteral("[170101-000000] b"),
                         QStringLiteral("   "), QStringLiteral("[170101-000000] c")}));
    }

    void saveWritesWindows1252WithCrLf() {
        auto log = makeLog();
        log->message(QStringLiteral("Player: `Jörg´ (76561198000000001) joined @ `A´"));
        QVERIFY(log->savelog());
        QFile in(file("kvd.log"));
        QVERIFY(in.open(QIODevice::ReadOnly));
        QCOMPARE(
            in.readAll(),
            QByteArray(
                "[170105-090807] Player: `J\xF6rg\xB4 (76561198000000001) joined @ `A\xB4\r\n"));
    }

    void periodicSaveSkipsUnchangedLog() {
        auto log = makeLog();
        log->message(QStringLiteral("one"));
        log->saveIfChanged();
        QVERIFY(QFile::remove(file("kvd.log")));
        log->saveIfChanged();
        QVERIFY(!QFile::exists(file("kvd.log")));
        log->message(QStringLiteral("two"));
        log->saveIfChanged();
        QCOMPARE(TextFile::readLines(file("kvd.log")).size(), 2);
    }

    // A folder in the file's place fails the save even for root, as a full disk would.
    void failedSaveIsEnteredOnceUntilASaveSucceeds() {
        auto log = makeLog();
        const QString failed = QStringLiteral("Failed to save logs/kvd.log: ");
        QVERIFY(QDir().mkdir(file("kvd.log")));
        log->message(QStringLiteral("one"));
        QVERIFY(!log->savelog());
        QCOMPARE(log->lines().filter(failed).size(), 1);
        QVERIFY(log->lines().constFirst().size() > 16 + failed.size()); // the reason follows
        log->message(QStringLiteral("two"));
        log->saveIfChanged();
        log->message(QStringLiteral("three"));
        QVERIFY(!log->savelog());
        QCOMPARE(log->lines().filter(failed).size(), 1);

        QVERIFY(QDir().rmdir(file("kvd.log")));
        log->saveIfChanged();
        QCOMPARE(TextFile::readLines(file("kvd.log")), log->lines());
        QCOMPARE(TextFile::readLines(file("kvd.log")).filter(failed).size(), 1);

        QVERIFY(QFile::remove(file("kvd.log")));
        QVERIFY(QDir().mkdir(file("kvd.log")));
        log->message(QStringLiteral("four"));
        QVERIFY(!log->savelog());
        QCOMPARE(log->lines().filter(failed).size(), 2);
        QVERIFY(log->lines().constFirst().contains(failed));
    }

    void failedBackupIsEnteredOnceUntilABackupSucceeds() {
        const QString failed = QStringLiteral("Failed to save logs/kvd.bck: ");
        QVERIFY(TextFile::writeLines(file("kvd.log"), numberedLines(40, QStringLiteral("log"))));
        QVERIFY(QDir().mkdir(file("kvd.bck")));
        auto log = makeLog();
        log->load();
        QCOMPARE(log->lines().size(), 1 + 1 + 40);
        QVERIFY(log->lines().constFirst().contains(failed));
        QCOMPARE(log->lines().at(1), ProgramLog::startMarker(kNow));
        log->message(QStringLiteral("Server added:  `A´"));
        log->saveWithBackup();
        log->message(QStringLiteral("Server setting changed:  `A´"));
        log->saveWithBackup();
        QCOMPARE(log->lines().filter(failed).size(), 1);
        // The log itself was saved all along.
        QCOMPARE(TextFile::readLines(file("kvd.log")), log->lines());

        QVERIFY(QDir().rmdir(file("kvd.bck")));
        log->saveWithBackup();
        QCOMPARE(TextFile::readLines(file("kvd.bck")), log->lines());

        QVERIFY(QFile::remove(file("kvd.bck")));
        QVERIFY(QDir().mkdir(file("kvd.bck")));
        log->saveWithBackup();
        QCOMPARE(log->lines().filter(failed).size(), 2);
    }

    void deleteKeepsOldLinesAside() {
        auto log = makeLog();
        log->message(QStringLiteral("one"));
        log->message(QStringLiteral("two"));
        const QStringList before = log->lines();
        QVERIFY(log->savelog());
        QVERIFY(TextFile::writeLines(file("kvd.bck"), before));
        QVERIFY(log->deleteLogfile());
        QVERIFY(log->lines().isEmpty());
        QVERIFY(!QFile::exists(file("kvd.log")));
        QVERIFY(!QFile::exists(file("kvd.bck")));
        QCOMPARE(TextFile::readLines(file("kvd_log_deleted.old")), before);
        log->saveIfChanged();
        QVERIFY(QFile::exists(file("kvd.log")));
    }

    void bomSelectsEncodingOnRead() {
        QFile out(file("kvd.log"));
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("\xEF\xBB\xBF[170101-000000] J\xC3\xB6rg\r\n");
        out.close();
        QCOMPARE(TextFile::readLines(file("kvd.log")),
                 QStringList{QStringLiteral("[170101-000000] Jörg")});
    }

    void parseLogStamp_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QDateTime>("expected");

        const QDate today(2026, 12, 9);
        QTest::newRow("this century")
            << "[170105-090807] x" << today << QDateTime(QDate(2017, 1, 5), QTime(9, 8, 7));
        QTest::newRow("49 years ahead")
            << "750101-000000" << today << QDateTime(QDate(2075, 1, 1), QTime(0, 0));
        QTest::newRow("50 years back")
            << "760101-000000" << today << QDateTime(QDate(1976, 1, 1), QTime(0, 0));
        QTest::newRow("end of year") << "991231-235959" << QDate(2001, 6, 1)
                                     << QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59));
        QTest::newRow("not a date") << "ab0105-090807" << today << QDateTime();
        QTest::newRow("too short") << "170105-0908" << today << QDateTime();
        QTest::newRow("month 13") << "171305-090807" << today << QDateTime();
        // Century placement at the ends of QDate's years, where it once overflowed an int.
        const int maxYear = std::numeric_limits<int>::max();
        const int minYear = std::numeric_limits<int>::min();
        QTest::newRow("today in the last year QDate holds")
            << "990101-000000" << QDate(maxYear, 12, 31) << QDateTime();
        QTest::newRow("today in the last year QDate holds, year 00")
            << "000101-000000" << QDate(maxYear, 1, 1) << QDateTime();
        QTest::newRow("today in the first year QDate holds")
            << "000101-000000" << QDate(minYear, 1, 1) << QDateTime();
        QTest::newRow("today in the first year QDate holds, year 99")
            << "991231-235959" << QDate(minYear, 1, 1) << QDateTime();
        QTest::newRow("beyond the milliseconds of QDateTime")
            << "170105-090807" << QDate(1000000000, 6, 1) << QDateTime();
        QTest::newRow("before the milliseconds of QDateTime")
            << "170105-090807" << QDate(-1000000000, 6, 1) << QDateTime();
        QTest::newRow("far future still placed") << "170105-090807" << QDate(100000, 6, 1)
                                                 << QDateTime(QDate(100017, 1, 5), QTime(9, 8, 7));
        QTest::newRow("year 0 does not exist") << "000101-000000" << QDate(20, 6, 1) << QDateTime();
    }

    void parseLogStamp() {
        QFETCH(QString, text);
        QFETCH(QDate, today);
        QFETCH(QDateTime, expected);
        QVERIFY(today.isValid());
        // The stamp in a program-log line starts after its "[".
        const QStringView stamp =
            text.startsWith(QLatin1Char('[')) ? QStringView(text).mid(1) : QStringView(text);
        QCOMPARE(LogStamp::ParseLogStamp(stamp, today), expected);
    }
};

QTEST_GUILESS_MAIN(TestProgramLog)
#include "tst_programlog.moc"
