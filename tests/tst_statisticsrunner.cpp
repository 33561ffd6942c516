// The statistics built off the user-interface thread: the table file, requests that arrive while
// a build runs, and a table file that cannot be written.
#include "base/ProgramLog.h"
#include "console/Console.h"
#include "servers/StringTable.h"
#include "servers/TableFile.h"
#include "stats/StatisticsRunner.h"

#include "StatisticsLogs.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QStringList playerLog(const QString &name) {
    return {
        QStringLiteral("[170105-100000] Player: `%1´ (76561198000000001) has left `S´ - "
                       "Duration {01:00:00}")
            .arg(name),
        QStringLiteral("[170105-090000] Player: `%1´ (76561198000000001) joined @ `S´").arg(name)};
}
} // namespace

class TestStatisticsRunner : public QObject {
    Q_OBJECT

private slots:
    void buildIsWrittenToTheTableFile() {
        QTemporaryDir dir;
        StatisticsRunner runner(dir.path());
        QSignalSpy finished(&runner, &StatisticsRunner::finished);
        QSignalSpy messages(&runner, &StatisticsRunner::message);
        runner.request(StatisticsLogs::generate({3000, 50, 6, false, 3}));
        QVERIFY(runner.isBuilding());
        QVERIFY(finished.wait(20000));
        QVERIFY(!runner.isBuilding());
        QVERIFY(runner.statistics().playerCount() > 10);

        StringTable saved;
        QVERIFY(LoadStringGrid(saved, dir.filePath(QStringLiteral("sumtar.his"))));
        QCOMPARE(saved, runner.statistics().table);
        QCOMPARE(messages.count(), 0);
    }

    void requestsDuringABuildLeaveOnePending() {
        QTemporaryDir dir;
        StatisticsRunner runner(dir.path());
        QSignalSpy finished(&runner, &StatisticsRunner::finished);
        runner.request(playerLog(QStringLiteral("First")));
        runner.request(playerLog(QStringLiteral("Second")));
        runner.request(playerLog(QStringLiteral("Third")));
        QVERIFY(finished.wait(20000));
        QCOMPARE(runner.buildsStarted(), 2);
        QCOMPARE(runner.statistics().table.cell(1, 1), QStringLiteral("Third"));
        QTest::qWait(50);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(runner.buildsStarted(), 2);
    }

    void theRunningBuildsLinesNeedNoSecondBuild() {
        QTemporaryDir dir;
        StatisticsRunner runner(dir.path());
        QSignalSpy finished(&runner, &StatisticsRunner::finished);
        const QStringList lines = playerLog(QStringLiteral("Same"));
        runner.request(lines);
        runner.request(playerLog(QStringLiteral("Other")));
        runner.request(lines); // back to the lines of the running build: the waiting one goes
        QVERIFY(finished.wait(20000));
        QCOMPARE(runner.buildsStarted(), 1);
        QCOMPARE(runner.statistics().table.cell(1, 1), QStringLiteral("Same"));
    }

    void unwritableTableFileIsReportedOnceUntilItWorks() {
        QTemporaryDir dir;
        const QString logs = dir.filePath(QStringLiteral("logs"));
        StatisticsRunner runner(logs); // the folder does not exist yet
        QSignalSpy finished(&runner, &StatisticsRunner::finished);
        QSignalSpy messages(&runner, &StatisticsRunner::message);
        const auto build = [&] {
            runner.request(playerLog(QStringLiteral("Ann")));
            return finished.wait(20000);
        };

        QVERIFY(build());
        QCOMPARE(runner.statistics().playerCount(), 1); // shown all the same
        QVERIFY(build());
        QCOMPARE(messages.count(), 1);
        QVERIFY(messages.at(0).at(0).toString().startsWith(
            QStringLiteral("Failed to save logs/sumtar.his: ")));

        QVERIFY(QDir().mkpath(logs));
        QVERIFY(build());
        QCOMPARE(messages.count(), 1);
        QVERIFY(QFile::exists(logs + QStringLiteral("/sumtar.his")));

        QVERIFY(QDir(logs).removeRecursively());
        QVERIFY(build());
        QCOMPARE(messages.count(), 2);
    }

    void consoleEntersTheFailureIntoTheProgramLog() {
        QTemporaryDir dir;
        Console console(dir.path());
        console.start();
        QVERIFY(QDir(dir.filePath(QStringLiteral("logs"))).removeRecursively());
        QSignalSpy finished(console.statistics(), &StatisticsRunner::finished);
        console.statistics()->request(console.programLog()->lines());
        QVERIFY(finished.wait(20000));
        QVERIFY(console.programLog()->lines().constFirst().contains(
            QStringLiteral("Failed to save logs/sumtar.his: ")));
    }
};

QTEST_GUILESS_MAIN(TestStatisticsRunner)
#include "tst_statisticsrunner.moc"
