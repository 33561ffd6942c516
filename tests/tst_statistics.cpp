// The statistics build: the named cases, and generated logs checked against the step-by-step
// build line by line.
#include "stats/PlayTime.h"
#include "stats/PlayerStatistics.h"
#include "stats/StatisticsCsv.h"

#include "StatisticsLogs.h"
#include "StatisticsReference.h"

#include <QtTest>

#include <ctime>

Q_DECLARE_METATYPE(StatisticsLogs::Shape)

namespace {

const QDate kToday(2026, 3, 1);
const QString kId1 = QStringLiteral("76561198000000001");
const QString kId2 = QStringLiteral("76561198000000002");
const QString kId3 = QStringLiteral("76561198000000003");
// EOS ids of the newer edition; the two share their first 17 characters.
const QString kEos1 = QStringLiteral("0002a1b2c3d4e5f6a7b8c9d0e1f2a3b4");
const QString kEos2 = QStringLiteral("0002a1b2c3d4e5f6aFFFFFFFFFFFFFFF");

QString joined(const QString &stamp, const QString &name, const QString &id,
               const QString &server) {
    return QStringLiteral("[%1] Player: `%2´ (%3) joined @ `%4´").arg(stamp, name, id, server);
}

QString left(const QString &stamp, const QString &name, const QString &id, const QString &server,
             const QString &duration) {
    return QStringLiteral("[%1] Player: `%2´ (%3) has left `%4´ - Duration {%5}")
        .arg(stamp, name, id, server, duration);
}

QString exited(const QString &stamp, const QString &name, const QString &id, const QString &server,
               const QString &duration) {
    return QStringLiteral("[%1] Program exit: `%2´ (%3) has played @ `%4´ - Duration {%5}")
        .arg(stamp, name, id, server, duration);
}

QList<QStringList> dataRows(const StringTable &table) {
    QList<QStringList> rows;
    for (int r = 1; r < table.rowCount(); ++r)
        rows << table.row(r);
    return rows;
}

} // namespace

class TestStatistics : public QObject {
    Q_OBJECT

private slots:
    void addDurations_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<QString>("sum");
        QTest::newRow("plain") << "01:02:03"
                               << "00:00:00"
                               << "01:02:03";
        QTest::newRow("minutes carry") << "00:40:30"
                                       << "00:30:45"
                                       << "01:11:15";
        QTest::newRow("past 99 hours") << "99:59:59"
                                       << "00:00:01"
                                       << "100:00:00";
        QTest::newRow("three-digit hours") << "123:30:00"
                                           << "00:30:00"
                                           << "124:00:00";
        QTest::newRow("seconds carry only") << "00:00:59"
                                            << "00:00:01"
                                            << "00:01:00";
    }
    void addDurations() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(QString, sum);
        QCOMPARE(AddDurations(a, b), sum);
        QCOMPARE(AddDurations(b, a), sum);
        QCOMPARE(PlayTime::format(PlayTime::seconds(a) + PlayTime::seconds(b)), sum);
    }

    void playTimeReadsOnlyWholeTimes_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("seconds");
        QTest::newRow("two-digit hours") << "01:02:03" << qint64(3723);
        QTest::newRow("three-digit hours") << "123:30:00" << qint64(444600);
        QTest::newRow("one-digit hours") << "1:02:03" << qint64(-1);
        QTest::newRow("minutes 60") << "00:60:00" << qint64(-1);
        QTest::newRow("seconds 75") << "00:00:75" << qint64(-1);
        QTest::newRow("letter") << "01:7x:00" << qint64(-1);
        QTest::newRow("empty") << "" << qint64(-1);
    }
    void playTimeReadsOnlyWholeTimes() {
        QFETCH(QString, text);
        QFETCH(qint64, seconds);
        QCOMPARE(PlayTime::seconds(text), seconds);
    }

    // Log lines newest first; expected rows in the table's order, ascending by total.
    void namedCases_data() {
        QTest::addColumn<QStringList>("log");
        QTest::addColumn<QStringList>("servers");
        QTest::addColumn<QList<QStringList>>("rows");

        QTest::newRow("one join, one leave")
            << QStringList{left("170105-100000", "Ann", kId1, "S", "01:02:03"),
                           joined("170105-085000", "Ann", kId1, "S")}
            << QStringList{"S"}
            << QList<QStringList>{{kId1, "Ann", "05.01.2017", "01:02:03", "01:02:03"}};

        QTest::newRow("two leaves add up")
            << QStringList{left("170106-100000", "Ann", kId1, "S", "00:30:45"),
                           left("170105-100000", "Ann", kId1, "S", "00:40:30"),
                           joined("170105-085000", "Ann", kId1, "S")}
            << QStringList{"S"}
            << QList<QStringList>{{kId1, "Ann", "06.01.2017", "01:11:15", "01:11:15"}};

        QStringList hundred{joined("170101-080000", "Ann", kId1, "A"),
                            joined("170101-080000", "Ann", kId1, "B")};
        for (int day = 1; day <= 4; ++day)
            hundred.prepend(left(QStringLiteral("1701%1-100000").arg(day, 2, 10, QChar('0')), "Ann",
                                 kId1, "A", "23:59:59"));
        hundred.prepend(left("170105-100000", "Ann", kId1, "A", "04:00:03"));
        hundred.prepend(left("170105-110000", "Ann", kId1, "B", "00:00:01"));
        QTest::newRow("99:59:59 and 00:00:01 make 100 hours")
            << hundred << QStringList{"A", "B"}
            << QList<QStringList>{{kId1, "Ann", "05.01.2017", "100:00:00", "99:59:59", "00:00:01"}};

        QTest::newRow("a renamed player keeps the newest name")
            << QStringList{left("170107-100000", "Anna", kId1, "S", "00:10:00"),
                           joined("170107-090000", "Anna", kId1, "S"),
                           left("170105-100000", "Ann", kId1, "S", "00:20:00"),
                           joined("170105-090000", "Ann", kId1, "S")}
            << QStringList{"S"}
            << QList<QStringList>{{kId1, "Anna", "07.01.2017", "00:30:00", "00:30:00"}};

        QTest::newRow("Alpha and Alpha2 are two columns")
            << QStringList{left("170105-120000", "Ann", kId1, "Alpha2", "02:00:00"),
                           joined("170105-100000", "Ann", kId1, "Alpha2"),
                           left("170105-090000", "Ann", kId1, "Alpha", "01:00:00"),
                           joined("170105-080000", "Ann", kId1, "Alpha")}
            << QStringList{"Alpha", "Alpha2"}
            << QList<QStringList>{{kId1, "Ann", "05.01.2017", "03:00:00", "01:00:00", "02:00:00"}};

        // Durations match the column's spelling exactly, so the older spelling's leave is lost.
        QTest::newRow("beta and Beta are one column, spelled as the newer line")
            << QStringList{left("170106-120000", "Ann", kId1, "Beta", "02:00:00"),
                           joined("170106-100000", "Ann", kId1, "Beta"),
                           left("170105-090000", "Ann", kId1, "beta", "01:00:00"),
                           joined("170105-080000", "Ann", kId1, "beta")}
            << QStringList{"Beta"}
            << QList<QStringList>{{kId1, "Ann", "06.01.2017", "02:00:00", "02:00:00"}};

        QTest::newRow("S is not counted in xS")
            << QStringList{left("170105-120000", "Ann", kId1, "xS", "01:00:00"),
                           left("170105-110000", "Ann", kId1, "S", "00:10:00"),
                           joined("170105-100000", "Ann", kId1, "xS"),
                           joined("170105-090000", "Ann", kId1, "S")}
            << QStringList{"S", "xS"}
            << QList<QStringList>{{kId1, "Ann", "05.01.2017", "01:10:00", "00:10:00", "01:00:00"}};

        QTest::newRow("exit lines count for known players on known servers")
            << QStringList{exited("170108-100000", "Ann", kId1, "S", "00:05:00"),
                           exited("170108-100000", "Ghost", kId2, "S", "09:00:00"),
                           left("170107-100000", "Ann", kId1, "Nowhere", "07:00:00"),
                           joined("170105-090000", "Ann", kId1, "S")}
            << QStringList{"S"}
            << QList<QStringList>{{kId1, "Ann", "08.01.2017", "00:05:00", "00:05:00"}};

        QTest::newRow("unreadable durations and stamps skip their line")
            << QStringList{left("170109-100000", "Ann", kId1, "S", "01:75:00"),
                           left("17A108-100000", "Ann", kId1, "S", "02:00:00"),
                           left("171332-100000", "Ann", kId1, "S", "02:00:00"),
                           left("170107-100000", "Ann", kId1, "S", "1:02:03"),
                           left("170106-100000", "Ann", kId1, "S", "00:01:00"),
                           joined("170105-090000", "Ann", kId1, "S")}
            << QStringList{"S"}
            << QList<QStringList>{{kId1, "Ann", "06.01.2017", "00:01:00", "00:01:00"}};

        QTest::newRow("last online is the latest date, not the newest line")
            << QStringList{left("170103-100000", "Ann", kId1, "S", "00:01:00"),
                           left("170109-100000", "Ann", kId1, "S", "00:01:00"),
                           joined("170101-090000", "Ann", kId1, "S")}
            << QStringList{"S"}
            << QList<QStringList>{{kId1, "Ann", "09.01.2017", "00:02:00", "00:02:00"}};

        QTest::newRow("players without time sort by their cells")
            << QStringList{joined("170105-090000", "Bea", kId2, "S"),
                           joined("170105-090000", "Ann", kId3, "S"),
                           joined("170105-090000", "Cid", kId1, "S")}
            << QStringList{"S"}
            << QList<QStringList>{{kId1, "Cid", "", "00:00:00", ""},
                                  {kId2, "Bea", "", "00:00:00", ""},
                                  {kId3, "Ann", "", "00:00:00", ""}};

        QTest::newRow("EOS ids are read whole: two players sharing 17 characters stay two")
            << QStringList{left("170105-120000", "Dora", kEos1, "S", "01:00:00"),
                           left("170105-110000", "Emil", kEos2, "S", "00:30:00"),
                           joined("170105-100000", "Emil", kEos2, "S"),
                           joined("170105-090000", "Dora", kEos1, "S")}
            << QStringList{"S"}
            << QList<QStringList>{{kEos2, "Emil", "05.01.2017", "00:30:00", "00:30:00"},
                                  {kEos1, "Dora", "05.01.2017", "01:00:00", "01:00:00"}};

        QTest::newRow("SteamID64 and EOS players side by side")
            << QStringList{exited("170106-100000", "Dora", kEos1.toUpper(), "S", "00:05:00"),
                           left("170106-090000", "Ann", kId1, "S", "02:00:00"),
                           joined("170106-080000", "Dora", kEos1.toUpper(), "S"),
                           joined("170106-070000", "Ann", kId1, "S")}
            << QStringList{"S"}
            << QList<QStringList>{{kEos1.toUpper(), "Dora", "06.01.2017", "00:05:00", "00:05:00"},
                                  {kId1, "Ann", "06.01.2017", "02:00:00", "02:00:00"}};

        // A name may hold "´ (" itself: the id is the first that reads as one.
        QTest::newRow("a name holding the id's opening")
            << QStringList{left("170105-100000", "x\u00b4 (y", kEos1, "S", "00:10:00"),
                           joined("170105-090000", "x\u00b4 (y", kEos1, "S")}
            << QStringList{"S"}
            << QList<QStringList>{{kEos1, "x\u00b4 (y", "05.01.2017", "00:10:00", "00:10:00"}};

        QTest::newRow("an id that is neither kind is no player")
            << QStringList{left("170105-100000", "x", "x", "S", "00:10:00"),
                           joined("170105-090000", "x", "x", "S"),
                           joined("170105-090000", "Cut", kEos1.left(20), "S")}
            << QStringList{} << QList<QStringList>{};

        QTest::newRow("no player lines")
            << QStringList{"[170105-090000] Serverstatus (S):  Online",
                           "[170105-080000]  - - - - - - - - - - - - Program start - - - - - - - - "
                           "- - - -"}
            << QStringList{} << QList<QStringList>{};
    }
    void namedCases() {
        QFETCH(QStringList, log);
        QFETCH(QStringList, servers);
        QFETCH(QList<QStringList>, rows);
        const PlayerStatistics statistics = BuildStatistics(log, kToday);
        QCOMPARE(statistics.table.row(0),
                 QStringList({"SteamID64", "Player", "Last online", "Total hh:mm:ss"}) + servers);
        QCOMPARE(statistics.servers(), servers);
        QCOMPARE(dataRows(statistics.table), rows);
        QCOMPARE(statistics.playerCount(), rows.size());
        QCOMPARE(StatisticsReference::buildStatistics(log, kToday), statistics.table);
    }

    // A player may call himself anything the game allows, "`S´ - Duration {" over and over
    // included: each server still counts once per line, and the build stays one pass over the
    // text (a long such name once cost every backquote for every piece, and took hours).
    void nameFullOfDurationPiecesCountsEachServerOnce_data() {
        QTest::addColumn<int>("pieces");
        QTest::newRow("a few") << 3;
        QTest::newRow("twenty thousand") << 20000;
    }
    void nameFullOfDurationPiecesCountsEachServerOnce() {
        QFETCH(int, pieces);
        QString name = QStringLiteral("Tricky");
        for (int i = 0; i < pieces; ++i)
            name +=
                (i % 2 ? QStringLiteral("`S´ - Duration {") : QStringLiteral("``T´ - Duration {"));
        // The joins name the player plainly: a backquote in the name would move their server.
        const QStringList log{left("170105-100000", name, kId1, "S", "01:00:00"),
                              joined("170105-090000", "Tricky", kId1, "T"),
                              joined("170105-090000", "Tricky", kId1, "S")};
        const PlayerStatistics statistics = BuildStatistics(log, kToday);
        QCOMPARE(statistics.servers(), (QStringList{"S", "T"}));
        QCOMPARE(
            dataRows(statistics.table),
            (QList<QStringList>{{kId1, name, "05.01.2017", "02:00:00", "01:00:00", "01:00:00"}}));
        if (pieces < 10)
            QCOMPARE(StatisticsReference::buildStatistics(log, kToday), statistics.table);
    }

    // The step-by-step build orders rows by the text of their totals; the fast build by the
    // durations, which puts 100 hours after 99. Everything else is identical.
    void matchesTheStepByStepBuild_data() {
        QTest::addColumn<StatisticsLogs::Shape>("shape");
        for (quint32 seed : {1u, 2u, 3u, 4u, 5u, 6u}) {
            StatisticsLogs::Shape tricky{2500, 40, 0, true, seed};
            QTest::addRow("tricky, seed %u", seed) << tricky;
        }
        QTest::addRow("plain, 12 servers") << StatisticsLogs::Shape{6000, 120, 12, false, 7};
        QTest::addRow("plain, long play") << StatisticsLogs::Shape{9000, 8, 3, false, 8};
    }
    void matchesTheStepByStepBuild() {
        QFETCH(StatisticsLogs::Shape, shape);
        const QStringList log = StatisticsLogs::generate(shape);
        const StringTable reference = StatisticsReference::buildStatistics(log, kToday);
        const StringTable fast = BuildStatistics(log, kToday).table;
        QVERIFY2(reference.rowCount() > 5 && reference.columnCount() > 5, "a log worth comparing");

        QCOMPARE(fast.row(0), reference.row(0));
        QCOMPARE(fast.rowCount(), reference.rowCount());
        QHash<QString, QStringList> referenceRows;
        for (int r = 1; r < reference.rowCount(); ++r)
            referenceRows.insert(reference.cell(0, r), reference.row(r));
        for (int r = 1; r < fast.rowCount(); ++r)
            QCOMPARE(fast.row(r), referenceRows.value(fast.cell(0, r)));

        QList<QStringList> byDuration = dataRows(reference);
        std::stable_sort(byDuration.begin(), byDuration.end(),
                         [](const QStringList &a, const QStringList &b) {
                             return PlayTime::seconds(a.at(3)) < PlayTime::seconds(b.at(3));
                         });
        QCOMPARE(dataRows(fast), byDuration);
    }

    void playTimesOrderAsDurations() {
        QStringList log;
        for (int day = 1; day <= 5; ++day) {
            log << left(QStringLiteral("1701%1-100000").arg(day, 2, 10, QChar('0')), "Ann", kId1,
                        "S", "20:00:00");
            log << left(QStringLiteral("1701%1-100000").arg(day, 2, 10, QChar('0')), "Bea", kId2,
                        "S", day == 5 ? "19:00:00" : "20:00:00");
        }
        log << joined("170101-080000", "Ann", kId1, "S")
            << joined("170101-080000", "Bea", kId2, "S");
        const StringTable fast = BuildStatistics(log, kToday).table;
        QCOMPARE(fast.cell(3, 1), QStringLiteral("99:00:00"));
        QCOMPARE(fast.cell(3, 2), QStringLiteral("100:00:00"));
        const StringTable byText = StatisticsReference::buildStatistics(log, kToday);
        QCOMPARE(byText.cell(3, 1), QStringLiteral("100:00:00"));
    }

    // Only the stamp's day counts, so a time that this computer's clock skips (a log written
    // under another time zone) still counts, where reading it as a local time would drop it.
    void stampInTheSpringForwardGapCounts() {
        if (!QFile::exists(QStringLiteral("/usr/share/zoneinfo/Europe/Berlin")))
            QSKIP("no time zone data for Europe/Berlin");
        const QByteArray zone = qgetenv("TZ");
        const bool hadZone = qEnvironmentVariableIsSet("TZ");
        qputenv("TZ", "Europe/Berlin");
        tzset();
        const auto restore = qScopeGuard([&] {
            if (hadZone)
                qputenv("TZ", zone);
            else
                qunsetenv("TZ");
            tzset();
        });
        // On 26 March 2017 Berlin's clocks went from 02:00 straight to 03:00.
        QVERIFY(!LogStamp::ParseLogStamp(u"170326-023000", kToday).isValid());
        const QStringList log{left("170326-023000", "Ann", kId1, "S", "00:10:00"),
                              joined("170326-022000", "Ann", kId1, "S")};
        QCOMPARE(dataRows(BuildStatistics(log, kToday).table),
                 QList<QStringList>({{kId1, "Ann", "26.03.2017", "00:10:00", "00:10:00"}}));
    }

    void sortTableRowsByTextMatchesStepByStep_data() {
        QTest::addColumn<int>("column");
        QTest::newRow("names") << 1;
        QTest::newRow("totals") << 3;
        QTest::newRow("SteamIDs") << 0;
    }
    void sortTableRowsByTextMatchesStepByStep() {
        QFETCH(int, column);
        const QStringList log = StatisticsLogs::generate({3000, 60, 0, true, 11});
        StringTable table = BuildStatistics(log, kToday).table;
        StringTable reference = table;
        SortTableRows(table, column);
        StatisticsReference::sortTableRows(reference, column);
        QCOMPARE(dataRows(table), dataRows(reference));
    }

    void csvQuotesOnlyWhereNeeded_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QByteArray>("encoded");
        QTest::newRow("plain") << "Bob" << QByteArray("Bob");
        QTest::newRow("comma") << "Anna, the Great" << QByteArray("\"Anna, the Great\"");
        QTest::newRow("quote") << "o'Neil \"Q\"" << QByteArray("\"o'Neil \"\"Q\"\"\"");
        QTest::newRow("line break") << "a\nb" << QByteArray("\"a\nb\"");
        QTest::newRow("blanks and dots") << " Dr. Who " << QByteArray(" Dr. Who ");
        QTest::newRow("UTF-8") << "Zoë ´`" << QByteArray("Zo\xc3\xab \xc2\xb4`");
        QTest::newRow("empty") << "" << QByteArray("");
    }
    void csvQuotesOnlyWhereNeeded() {
        QFETCH(QString, field);
        QFETCH(QByteArray, encoded);
        QCOMPARE(StatisticsCsv::encode({"A", "B"}, {{field, "x"}}), "A,B\r\n" + encoded + ",x\r\n");
    }

    void csvHasTheTableCaptionsAndTheMostPlayFirst() {
        const QStringList log{left("170106-100000", "Bea", kId2, "S", "02:00:00"),
                              left("170105-100000", "Ann", kId1, "S", "01:00:00"),
                              joined("170105-090000", "Bea", kId2, "S"),
                              joined("170105-090000", "Ann", kId1, "S")};
        QCOMPARE(StatisticsCsv::encode(BuildStatistics(log, kToday)),
                 QByteArray("SteamID64,Player,Last online,Total hh:mm:ss,S\r\n"
                            "76561198000000002,Bea,06.01.2017,02:00:00,02:00:00\r\n"
                            "76561198000000001,Ann,05.01.2017,01:00:00,01:00:00\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestStatistics)
#include "tst_statistics.moc"
