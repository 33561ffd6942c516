// The rules of recurring schedules: when the next run is (days, intervals, midnight, the days
// daylight saving time begins and ends, in Europe/Berlin) and how "scripts/schedules.ini" reads,
// names the sections it skips and writes back.
#include "schedules/ScheduleFile.h"
#include "schedules/ScheduleTime.h"

#include <QtTest>

#include <ctime>

namespace {
Schedule scheduleOf(const QString &keys) {
    const QByteArray text = "[Test]\nscript=Restart\nservers=Alpha\n" + keys.toUtf8();
    const ScheduleFile::ReadResult read = ScheduleFile::parse(text);
    if (read.schedules.size() != 1)
        qFatal("the table's schedule does not parse: %s", qPrintable(read.problems.join(u' ')));
    return read.schedules.first();
}

QDateTime isoTime(const QString &text) {
    return QDateTime::fromString(text, Qt::ISODate);
}
} // namespace

class TestSchedules : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        m_oldZone = qgetenv("TZ");
        qputenv("TZ", "Europe/Berlin");
        tzset();
    }
    void cleanupTestCase() {
        qputenv("TZ", m_oldZone);
        tzset();
    }

    void nextRun_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("after"); // ISO times with their UTC offset
        QTest::addColumn<QString>("expected");
        QTest::newRow("daily, later today") << "at=04:00\ndays=daily"
                                            << "2026-12-11T03:00:00+01:00"
                                            << "2026-12-11T04:00:00+01:00";
        QTest::newRow("daily, at already past today runs tomorrow") << "at=04:00\ndays=daily"
                                                                    << "2026-12-11T05:00:00+01:00"
                                                                    << "2026-12-12T04:00:00+01:00";
        QTest::newRow("the run itself is not after itself") << "at=04:00"
                                                            << "2026-12-11T04:00:00+01:00"
                                                            << "2026-12-12T04:00:00+01:00";
        QTest::newRow("weekdays: friday evening to monday") << "at=04:00\ndays=mon,fri"
                                                            << "2026-12-11T05:00:00+01:00"
                                                            << "2026-12-14T04:00:00+01:00";
        QTest::newRow("weekdays: a single sunday") << "at=23:30\ndays=sun"
                                                   << "2026-12-11T05:00:00+01:00"
                                                   << "2026-12-13T23:30:00+01:00";
        QTest::newRow("across midnight") << "at=00:00"
                                         << "2026-12-11T23:59:30+01:00"
                                         << "2026-12-12T00:00:00+01:00";
        QTest::newRow("interval, next step of the day") << "at=04:00\nevery=30m"
                                                        << "2026-12-11T04:10:00+01:00"
                                                        << "2026-12-11T04:30:00+01:00";
        QTest::newRow("interval reaches before at") << "at=04:00\nevery=6h"
                                                    << "2026-12-11T00:30:00+01:00"
                                                    << "2026-12-11T04:00:00+01:00";
        QTest::newRow("interval, last step to next day") << "at=04:00\nevery=6h"
                                                         << "2026-12-11T22:00:00+01:00"
                                                         << "2026-12-12T04:00:00+01:00";
        QTest::newRow("interval not dividing the day starts again each day")
            << "at=04:00\nevery=7h"
            << "2026-12-11T18:00:00+01:00"
            << "2026-12-12T04:00:00+01:00";
        QTest::newRow("interval ignores days") << "at=04:00\ndays=mon\nevery=1h"
                                               << "2026-12-11T10:20:00+01:00"
                                               << "2026-12-11T11:00:00+01:00";
        QTest::newRow("every minute") << "at=00:00\nevery=1m"
                                      << "2026-12-11T10:20:59+01:00"
                                      << "2026-12-11T10:21:00+01:00";
        QTest::newRow("spring forward: a skipped time runs at the end of the gap")
            << "at=02:30"
            << "2026-03-29T01:00:00+01:00"
            << "2026-03-29T03:00:00+02:00";
        QTest::newRow("spring forward: then the next day as usual") << "at=02:30"
                                                                    << "2026-03-29T03:00:00+02:00"
                                                                    << "2026-03-30T02:30:00+02:00";
        QTest::newRow("spring forward: a time after the gap is untouched")
            << "at=03:30"
            << "2026-03-29T01:00:00+01:00"
            << "2026-03-29T03:30:00+02:00";
        QTest::newRow("spring forward interval: the gap's steps run once, at its end")
            << "at=00:00\nevery=30m"
            << "2026-03-29T01:45:00+01:00"
            << "2026-03-29T03:00:00+02:00";
        QTest::newRow("spring forward interval: after the gap's run")
            << "at=00:00\nevery=30m"
            << "2026-03-29T03:00:00+02:00"
            << "2026-03-29T03:30:00+02:00";
        QTest::newRow("autumn: a repeated time runs in its first pass")
            << "at=02:30"
            << "2026-10-25T00:00:00+02:00"
            << "2026-10-25T02:30:00+02:00";
        QTest::newRow("autumn: and not again in the second") << "at=02:30"
                                                             << "2026-10-25T02:30:00+02:00"
                                                             << "2026-10-26T02:30:00+01:00";
        QTest::newRow("autumn: starting in the second pass waits for tomorrow")
            << "at=02:30"
            << "2026-10-25T02:10:00+01:00"
            << "2026-10-26T02:30:00+01:00";
        QTest::newRow("autumn interval: the repeated hour runs once")
            << "at=00:00\nevery=30m"
            << "2026-10-25T02:30:00+02:00"
            << "2026-10-25T03:00:00+01:00";
    }
    void nextRun() {
        QFETCH(QString, keys);
        QFETCH(QString, after);
        QFETCH(QString, expected);
        const Schedule schedule = scheduleOf(keys);
        const QDateTime run = ScheduleTime::next(schedule, isoTime(after));
        QCOMPARE(run.toOffsetFromUtc(run.offsetFromUtc()).toString(Qt::ISODate), expected);
        QVERIFY(ScheduleTime::isRun(schedule, run));
    }

    void gapsResolveToTheirEndAndOtherTimesAreNoRuns() {
        // 02:00 on the spring-forward day does not exist: the first minute after is 03:00.
        QCOMPARE(ScheduleTime::resolve(QDate(2026, 3, 29), QTime(2, 0)),
                 isoTime(QStringLiteral("2026-03-29T03:00:00+02:00")));
        QCOMPARE(ScheduleTime::resolve(QDate(2026, 10, 25), QTime(2, 59)).offsetFromUtc(), 7200);
        QVERIFY(!ScheduleTime::isRun(scheduleOf(QStringLiteral("at=04:00")),
                                     isoTime(QStringLiteral("2026-12-11T04:01:00+01:00"))));
    }

    void parseProblems_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("problems");
        QTest::addColumn<QStringList>("names"); // of the schedules that still read
        const QByteArray good = "[Good]\nscript=Save\nservers=*\nat=12:00\n";
        QTest::newRow("bad time, the rest works")
            << QByteArray("[Nightly restart]\nscript=Restart\nservers=Alpha\nat=4 Uhr\n") + good
            << QStringList{"Schedule `Nightly restart´ skipped: at `4 Uhr´ is not a time hh:mm"}
            << QStringList{"Good"};
        QTest::newRow("hour out of range")
            << QByteArray("[A]\nscript=R\nservers=X\nat=24:00\n") + good
            << QStringList{"Schedule `A´ skipped: at `24:00´ is not a time hh:mm"}
            << QStringList{"Good"};
        QTest::newRow("unknown day")
            << QByteArray("[A]\nscript=R\nservers=X\nat=04:00\ndays=mon,funday\n") + good
            << QStringList{"Schedule `A´ skipped: days `mon,funday´ is neither daily nor days "
                           "like mon,tue"}
            << QStringList{"Good"};
        QTest::newRow("interval of a day")
            << QByteArray("[A]\nscript=R\nservers=X\nat=04:00\nevery=24h\n") + good
            << QStringList{"Schedule `A´ skipped: every `24h´ is not an interval like 30m or 6h "
                           "under a day"}
            << QStringList{"Good"};
        QTest::newRow("no servers")
            << QByteArray("[A]\nscript=R\nservers=\nat=04:00\n") + good
            << QStringList{"Schedule `A´ skipped: no servers"} << QStringList{"Good"};
        QTest::newRow("no script")
            << QByteArray("[A]\nservers=X\nat=04:00\n") + good
            << QStringList{"Schedule `A´ skipped: no script"} << QStringList{"Good"};
        QTest::newRow("script name with a path")
            << QByteArray("[A]\nscript=../evil\nservers=X\nat=04:00\n") + good
            << QStringList{"Schedule `A´ skipped: script `../evil´ is not a script name"}
            << QStringList{"Good"};
        QTest::newRow("enabled neither 0 nor 1")
            << QByteArray("[A]\nscript=R\nservers=X\nat=04:00\nenabled=yes\n") + good
            << QStringList{"Schedule `A´ skipped: enabled `yes´ is neither 0 nor 1"}
            << QStringList{"Good"};
        QTest::newRow("a line without =")
            << QByteArray("[A]\nscript=R\nservers=X\nat=04:00\noops\n") + good
            << QStringList{"Schedule `A´ skipped: line 5 is not key=value: \"oops\""}
            << QStringList{"Good"};
        QTest::newRow("the same name twice keeps the first")
            << good + "[good]\nscript=Other\nservers=X\nat=01:00\n"
            << QStringList{"Schedule `good´ skipped: a schedule of that name comes earlier in the "
                           "file"}
            << QStringList{"Good"};
        QTest::newRow("a key before any section")
            << QByteArray("script=R\n") + good
            << QStringList{"schedules.ini line 1 skipped: not in a section"} << QStringList{"Good"};
        QTest::newRow("comments, BOM, CR LF and letter case are fine")
            << QByteArray("\xEF\xBB\xBF; my schedules\r\n[Nightly restart]\r\nScript=Restart   "
                          "         ; scripts/Restart.kvs\r\nSERVERS=Alpha|Beta ; two\r\n"
                          "at=04:00\r\ndays=daily\r\nevery=\r\nenabled=1\r\n")
            << QStringList{} << QStringList{"Nightly restart"};
        QTest::newRow("disabled without servers is kept")
            << QByteArray("[A]\nscript=R\nservers=\nat=04:00\nenabled=0\n") << QStringList{}
            << QStringList{"A"};
    }
    void parseProblems() {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, problems);
        QFETCH(QStringList, names);
        const ScheduleFile::ReadResult read = ScheduleFile::parse(text);
        QCOMPARE(read.problems, problems);
        QStringList read_names;
        for (const Schedule &schedule : read.schedules)
            read_names << schedule.name;
        QCOMPARE(read_names, names);
    }

    void fileRoundTrip() {
        const QByteArray text = "[Nightly restart]\nscript=Restart\nservers=Alpha|Beta\nat=04:00\n"
                                "days=daily\nevery=\nenabled=1\n\n"
                                "[Saves]\nscript=Save\nservers=*\nat=00:15\ndays=mon,wed,sun\n"
                                "every=30m\nenabled=0\n";
        const ScheduleFile::ReadResult read = ScheduleFile::parse(text);
        QVERIFY(read.problems.isEmpty());
        QCOMPARE(read.schedules.size(), 2);
        const Schedule &first = read.schedules.at(0);
        QCOMPARE(first.servers, (QStringList{"Alpha", "Beta"}));
        QVERIFY(!first.allServers);
        QCOMPARE(first.days, Schedule::kEveryDay);
        const Schedule &second = read.schedules.at(1);
        QVERIFY(second.allServers);
        QCOMPARE(second.everyMinutes, 30);
        QVERIFY(!second.enabled);
        QCOMPARE(second.summary(), QStringLiteral("every 30m from 00:15"));
        QCOMPARE(ScheduleFile::format(read.schedules), text);
    }

    void skippedSectionsAreWrittenBackAsTyped() {
        const QByteArray typed = "[Typo]\nscript=Restart\nservers=Alpha\nat=4 Uhr ; oops\n\n";
        const QByteArray good = "[Good]\nscript=Save\nservers=*\nat=12:00\n";
        const ScheduleFile::ReadResult read = ScheduleFile::parse(typed + good);
        QCOMPARE(read.schedules.size(), 1);
        QCOMPARE(ScheduleFile::format(read.schedules, read.unread),
                 QByteArray("[Good]\nscript=Save\nservers=*\nat=12:00\ndays=daily\nevery=\n"
                            "enabled=1\n\n[Typo]\nscript=Restart\nservers=Alpha\n"
                            "at=4 Uhr ; oops\n"));
    }

private:
    QByteArray m_oldZone;
};

QTEST_GUILESS_MAIN(TestSchedules)
#include "tst_schedules.moc"
