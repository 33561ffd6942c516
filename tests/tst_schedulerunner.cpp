// Recurring schedules against simulated game servers: each run goes through the command queue
// with the script's waits, on the schedule's servers only; the next run follows, also across a
// restart of the console; a run missed while the console was not running is logged, not run; the
// Schedules page's saves re-plan only what changed; renamed and deleted servers follow.
#include "base/Clock.h"
#include "base/Intervals.h"
#include "base/LogStamp.h"
#include "base/ProgramLog.h"
#include "commands/CommandQueue.h"
#include "console/Console.h"
#include "schedules/ScheduleRunner.h"
#include "servers/ServerListFile.h"
#include "servers/ServerListModel.h"
#include "servers/TableFile.h"

#include "SimServer.h"
#include "TestWait.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
constexpr int kWait = 10000;
const QDateTime kStart(QDate(2031, 6, 2), QTime(10, 0, 5));

QDateTime at(const QString &time) {
    return QDateTime(kStart.date(), QTime::fromString(time, QStringLiteral("HH:mm:ss")));
}

QStringList withoutPolls(const QStringList &commands) {
    QStringList out;
    for (const QString &command : commands) {
        if (command != QLatin1String("listplayers"))
            out << command;
    }
    return out;
}

QStringList describe(const CommandQueue *queue) {
    QStringList rows;
    for (const QueueEntry &e : queue->entries())
        rows << e.server + QLatin1Char(' ') + e.timeField.mid(11) + QLatin1Char(' ') + e.command;
    rows.sort();
    return rows;
}

void writeFile(const QString &path, const QByteArray &bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// Program-log messages without their stamps, oldest first.
QStringList messages(const Console &console) {
    QStringList texts;
    const QStringList &lines = console.programLog()->lines();
    for (qsizetype i = lines.size() - 1; i >= 0; --i)
        texts << lines.at(i).mid(LogStamp::kLength);
    return texts;
}
} // namespace

class TestScheduleRunner : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Intervals &intervals = Intervals::instance();
        intervals.schedulerMs = 20;
        intervals.commandConnectTimeoutMs = 1000;
        intervals.commandAnswerTimeoutMs = 1000;
        intervals.visitStartFirstPassMs = 10;
        intervals.visitStartMs = 30;
        intervals.watchdogMs = 1500;
    }
    void init() {
        m_now = kStart;
        Clock::setSource([this] { return m_now; });
        m_dir = std::make_unique<QTemporaryDir>();
        m_sims.clear();
        StringTable table = ServerListFile::emptyTable();
        for (const QString &name :
             {QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma")}) {
            m_sims.push_back(std::make_unique<SimServer>(name, QStringLiteral("pw")));
            QVERIFY(m_sims.back()->start());
            table.appendRow(
                {name, m_sims.back()->host(), m_sims.back()->portText(), QStringLiteral("pw")});
        }
        QVERIFY(SaveStringGrid(table, m_dir->filePath(QStringLiteral("server.dat"))));
        writeFile(m_dir->filePath(QStringLiteral("scripts/Restart.kvs")),
                  "msg:Restart soon\r\nwait:30\r\ncmd:saveworld\r\n");
    }
    void cleanup() {
        m_sims.clear();
        Clock::reset();
    }

    void everyMinuteRunsOnItsServersAcrossRestartsAndSkipsMissedRuns() {
        writeFile(m_dir->filePath(QStringLiteral("scripts/schedules.ini")),
                  "[Every minute]\nscript=Restart ; scripts/Restart.kvs\nservers=Alpha|Beta\n"
                  "at=00:00\ndays=daily\nevery=1m\nenabled=1\n\n[Broken]\nscript=Restart\n"
                  "servers=Alpha\nat=25:00\n");
        SimServer *alpha = m_sims.at(0).get();
        SimServer *beta = m_sims.at(1).get();
        SimServer *gamma = m_sims.at(2).get();
        const QStringList run1 = {"Alpha 10:01:00 msg:Restart soon", "Alpha 10:01:30 cmd:saveworld",
                                  "Beta 10:01:00 msg:Restart soon", "Beta 10:01:30 cmd:saveworld"};
        {
            Console console(m_dir->path());
            console.start();
            QVERIFY(messages(console).contains(
                "Schedule `Broken´ skipped: at `25:00´ is not a time hh:mm"));
            QCOMPARE(console.schedules()->schedules().size(), 1);
            // The next run waits in the queue, every entry at its own time.
            QCOMPARE(describe(console.queue()), run1);
            QCOMPARE(console.schedules()->nextRun("Every minute"), at("10:01:00"));
            QVERIFY(waitUntil([&console] { return console.servers()->onlineCount() == 3; }, kWait));

            m_now = at("10:01:00");
            QVERIFY(waitUntil(
                [&] {
                    return withoutPolls(alpha->commands()).size() == 1 &&
                           withoutPolls(beta->commands()).size() == 1;
                },
                kWait));
            QCOMPARE(withoutPolls(alpha->commands()), QStringList{"Broadcast Restart soon"});
            // The wait of the script holds the save back.
            QTest::qWait(200);
            QCOMPARE(withoutPolls(beta->commands()), QStringList{"Broadcast Restart soon"});

            m_now = at("10:01:30");
            QVERIFY(waitUntil(
                [&] {
                    return withoutPolls(alpha->commands()).size() == 2 &&
                           withoutPolls(beta->commands()).size() == 2;
                },
                kWait));
            QCOMPARE(withoutPolls(beta->commands()).last(), QStringLiteral("saveworld"));
            // Once the last entry was due the next run is queued.
            QVERIFY(waitUntil(
                [&] {
                    return describe(console.queue()) ==
                           QStringList{
                               "Alpha 10:02:00 msg:Restart soon", "Alpha 10:02:30 cmd:saveworld",
                               "Beta 10:02:00 msg:Restart soon", "Beta 10:02:30 cmd:saveworld"};
                },
                kWait));
            m_now = at("10:01:45");
            console.shutDown();
        }
        {
            // The load drops the entries due within 20 s; the run is still ahead, so it is queued
            // again, once, and goes on.
            Console console(m_dir->path());
            console.start();
            QCOMPARE(
                describe(console.queue()),
                (QStringList{"Alpha 10:02:00 msg:Restart soon", "Alpha 10:02:30 cmd:saveworld",
                             "Beta 10:02:00 msg:Restart soon", "Beta 10:02:30 cmd:saveworld"}));
            QVERIFY(waitUntil([&console] { return console.servers()->onlineCount() == 3; }, kWait));
            m_now = at("10:02:30");
            QVERIFY(waitUntil(
                [&] {
                    return withoutPolls(alpha->commands()).size() == 4 &&
                           withoutPolls(beta->commands()).size() == 4;
                },
                kWait));
            QVERIFY(waitUntil(
                [&] { return console.schedules()->nextRun("Every minute") == at("10:03:00"); },
                kWait));
            m_now = at("10:02:40");
            console.shutDown();
        }
        {
            // Not running at 10:03: the run is named once per server and not made up.
            m_now = at("10:05:10");
            Console console(m_dir->path());
            console.start();
            const QStringList lines = messages(console);
            QVERIFY2(lines.contains("Schedule `Every minute´ missed 10:03 on `Alpha´"),
                     qPrintable(lines.join(u'\n')));
            QVERIFY(lines.contains("Schedule `Every minute´ missed 10:03 on `Beta´"));
            QCOMPARE(
                describe(console.queue()),
                (QStringList{"Alpha 10:06:00 msg:Restart soon", "Alpha 10:06:30 cmd:saveworld",
                             "Beta 10:06:00 msg:Restart soon", "Beta 10:06:30 cmd:saveworld"}));
            QVERIFY(waitUntil([&console] { return console.servers()->onlineCount() == 3; }, kWait));
            QTest::qWait(300);
            QCOMPARE(withoutPolls(alpha->commands()).size(), 4);
            console.shutDown();
        }
        QCOMPARE(withoutPolls(gamma->commands()), QStringList());
    }

    void savesReplanOnlyWhatChangedAndServersFollowRenamesAndDeletions() {
        writeFile(m_dir->filePath(QStringLiteral("scripts/schedules.ini")),
                  "[Nightly]\nscript=Restart\nservers=Alpha|Beta|Delta\nat=04:00\n\n"
                  "[Noon]\nscript=Restart\nservers=Gamma\nat=12:00\n");
        Console console(m_dir->path());
        console.start();
        ScheduleRunner *runner = console.schedules();
        // A server typed by hand that is not in the list is named and left out.
        QVERIFY(messages(console).contains("Schedule `Nightly´: no server `Delta´"));
        QCOMPARE(console.queue()->count(), 6);
        QVector<Schedule> schedules = runner->schedules();
        schedules[0].servers.removeAll("Delta");

        // Only the changed schedule's run leaves the queue and a new one comes.
        schedules[0].at = QTime(5, 0);
        QVERIFY(runner->save(schedules));
        QCOMPARE(describe(console.queue()),
                 (QStringList{"Alpha 05:00:00 msg:Restart soon", "Alpha 05:00:30 cmd:saveworld",
                              "Beta 05:00:00 msg:Restart soon", "Beta 05:00:30 cmd:saveworld",
                              "Gamma 12:00:00 msg:Restart soon", "Gamma 12:00:30 cmd:saveworld"}));
        // 05:00 has passed today: tomorrow.
        QVERIFY(console.queue()->entries().constLast().timeField.startsWith("03.06.2031"));

        // Disabled: its runs leave the queue.
        schedules[1].enabled = false;
        QVERIFY(runner->save(schedules));
        QCOMPARE(console.queue()->count(), 4);
        QVERIFY(!runner->nextRun("Noon").isValid());

        const int alphaRow = console.servers()->rowOfName("Alpha");
        ServerSettings renamed = console.servers()->entry(alphaRow).settings;
        renamed.name = "Alpha 2";
        console.servers()->updateServer(alphaRow, renamed);
        emit console.serverRenamed("Alpha", "Alpha 2");
        QCOMPARE(runner->schedules().at(0).servers, (QStringList{"Alpha 2", "Beta"}));
        QFile file(runner->fileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("servers=Alpha 2|Beta\n"));
        file.close();

        // Deleting a schedule's last server disables it with a line.
        console.servers()->removeServer(console.servers()->rowOfName("Gamma"));
        console.servers()->removeServer(console.servers()->rowOfName("Beta"));
        QCOMPARE(describe(console.queue()), (QStringList{"Alpha 2 05:00:00 msg:Restart soon",
                                                         "Alpha 2 05:00:30 cmd:saveworld"}));
        console.servers()->removeServer(console.servers()->rowOfName("Alpha 2"));
        QCOMPARE(console.queue()->count(), 0);
        QVERIFY(!runner->schedules().at(0).enabled);
        QVERIFY(messages(console).contains(
            "Schedule `Nightly´ disabled: its last server `Alpha 2´ was deleted"));
        console.shutDown();

        // What was written reads back, the emptied schedule kept as disabled.
        Console again(m_dir->path());
        again.start();
        QCOMPARE(again.schedules()->schedules().size(), 2);
        again.shutDown();
    }

private:
    QDateTime m_now;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::vector<std::unique_ptr<SimServer>> m_sims;
};

QTEST_GUILESS_MAIN(TestScheduleRunner)
#include "tst_schedulerunner.moc"
