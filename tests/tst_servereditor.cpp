// Adding, changing and deleting servers in the core: the steps and their order, what a rename
// carries to the server's log file, the program log and the players online, and how a deletion
// meets the poll cycle, against simulated game servers on loopback.
#include "base/Clock.h"
#include "base/Intervals.h"
#include "base/ProgramLog.h"
#include "base/TextFile.h"
#include "chat/BackgroundWatch.h"
#include "commands/CommandQueue.h"
#include "console/ServerEditor.h"
#include "monitor/PlayerListModel.h"
#include "monitor/PlayerTracker.h"
#include "monitor/PollCycle.h"
#include "servers/TableFile.h"

#include "ConsoleFixture.h"
#include "TestFiles.h"
#include "TestPorts.h"
#include "TestWait.h"

#include <QDir>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr int kWait = 20000;

struct Fixture : ConsoleFixture {
    QStringList visits;

    Fixture() {
        QObject::connect(console->pollCycle(), &PollCycle::visitEnded,
                         [this](const QString &name) { visits << name; });
    }
    ~Fixture() { console->pollCycle()->stop(); }

    ServerEditor *editor() const { return console->serverEditor(); }
    PollCycle *poll() const { return console->pollCycle(); }
    ServerEditor::Result add(const QString &name, const QString &port,
                             const QString &password = QStringLiteral("pw")) const {
        return editor()->add({name, QStringLiteral("127.0.0.1"), port, password});
    }
    SimServer *sim(const QString &name) {
        SimServer *server = startSim(name, QStringLiteral("pw"));
        add(name, server->portText());
        return server;
    }
    QStringList savedNames() const {
        StringTable table;
        if (!LoadStringGrid(table, servers()->fileName()))
            return {QStringLiteral("<unreadable>")};
        QStringList names;
        for (int row = 1; row < table.rowCount(); ++row)
            names << table.cell(0, row);
        return names;
    }
    bool waitVisits(int count) {
        return waitUntil([this, count] { return visits.size() >= count; }, kWait);
    }
};

QString q(const QString &name) {
    return QLatin1Char('`') + name + QChar(0x00B4);
}

} // namespace

class TestServerEditor : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Intervals &intervals = Intervals::instance();
        intervals.visitStartFirstPassMs = 10;
        intervals.visitStartMs = 30;
        intervals.watchdogMs = 1500;
        intervals.pollConnectTimeoutMs = 1000;
        intervals.serverSaveRetryMs = 50;
        intervals.logSaveMs = 3600000; // only the editor's own saves write the log here
    }

    void addJoinsTheListQueuedLogsSavesAndSorts() {
        Fixture f;
        f.servers()->sortServers(ServerListModel::NameColumn, Qt::AscendingOrder);
        // A log longer than 30 lines is backed up with the save.
        QStringList earlier;
        for (int i = 0; i < 40; ++i)
            earlier << QStringLiteral("[261209-201500] Serverstatus (Old %1):  Online").arg(i);
        f.console->programLog()->setLines(earlier);
        const QString port = closedPort();
        f.editor()->dialogOpened(); // as the dialog does: no visit result enters the log meanwhile

        QCOMPARE(f.add(QStringLiteral("Zulu"), port).outcome, ServerEditor::Outcome::Added);
        QCOMPARE(f.add(QStringLiteral("Alpha"), QStringLiteral("+27016")).outcome,
                 ServerEditor::Outcome::Added);

        QCOMPARE(f.servers()->serverCount(), 2);
        const ServerEntry &alpha = f.servers()->entry(0);
        QCOMPARE(alpha.settings.name, QStringLiteral("Alpha"));  // re-sorted by the current column
        QCOMPARE(alpha.settings.port, QStringLiteral("+27016")); // as typed
        QCOMPARE(alpha.statusText(), QStringLiteral("Queue"));
        QCOMPARE(alpha.playerCount, QStringLiteral("-"));
        QCOMPARE(alpha.icon(), IconIndex::ServerQueued);
        QCOMPARE(f.savedNames(), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Zulu")}));
        QCOMPARE(f.messages().mid(f.messages().size() - 2),
                 (QStringList{QStringLiteral("Server added:  ") + q(QStringLiteral("Zulu")) +
                                  QStringLiteral("  (127.0.0.1:") + port + QLatin1Char(')'),
                              QStringLiteral("Server added:  ") + q(QStringLiteral("Alpha")) +
                                  QStringLiteral("  (127.0.0.1:+27016)")}));
        const QStringList lines = f.console->programLog()->lines();
        // Written on the following turns of the event loop.
        QTRY_COMPARE(TextFile::readLines(f.dir.filePath(QStringLiteral("logs/kvd.log"))), lines);
        QTRY_COMPARE(TextFile::readLines(f.dir.filePath(QStringLiteral("logs/kvd.bck"))), lines);

        // The same name again, exactly as spelt, is refused and changes nothing.
        const ServerEditor::Result again = f.add(QStringLiteral("Alpha"), port);
        QCOMPARE(again.outcome, ServerEditor::Outcome::Refused);
        QCOMPARE(again.refusal, ServerSettingsRefusal::ServernameExists);
        QCOMPARE(f.add(QStringLiteral("ALPHA"), port).outcome, ServerEditor::Outcome::Added);
        QCOMPARE(f.servers()->serverCount(), 3);
        f.editor()->dialogClosed();
    }

    void portOutsideTheRangeIsRefusedButAStoredOneSaysUnknown() {
        Fixture f;
        for (const char *port : {"70000", "65536", "0"}) {
            const ServerEditor::Result result = f.add(QStringLiteral("Far"), QLatin1String(port));
            QCOMPARE(result.outcome, ServerEditor::Outcome::Refused);
            QCOMPARE(result.refusal, ServerSettingsRefusal::InvalidPort);
        }
        QCOMPARE(f.servers()->serverCount(), 0);
        // A server.dat written before the check, or by hand, still loads and is visited.
        f.servers()->appendServer(
            {QStringLiteral("Far"), QStringLiteral("127.0.0.1"), QStringLiteral("70000"), {}});
        f.servers()->appendServer(
            {QStringLiteral("Zero"), QStringLiteral("127.0.0.1"), QStringLiteral("0"), {}});
        QVERIFY(f.servers()->serversave());
        f.poll()->Startles();
        QVERIFY(f.waitVisits(2));
        QCOMPARE(f.entry(QStringLiteral("Far")).statusText(), QStringLiteral("Unknown"));
        QCOMPARE(f.entry(QStringLiteral("Zero")).statusText(), QStringLiteral("Unknown"));
        QVERIFY(f.messages().contains(QStringLiteral("Serverstatus (Far):  Unknown")));
        QCOMPARE(f.editor()->settingsOf(QStringLiteral("Far"))->port, QStringLiteral("70000"));
        // Editing it asks for a port in range.
        QCOMPARE(
            f.editor()
                ->edit(QStringLiteral("Far"), {QStringLiteral("Far"), QStringLiteral("127.0.0.1"),
                                               QStringLiteral("70000"), QStringLiteral("pw")})
                .refusal,
            ServerSettingsRefusal::InvalidPort);
    }

    void renameCarriesTheNameToFileLogAndPlayers() {
        Fixture f;
        SimServer *alpha = f.sim(QStringLiteral("Alpha"));
        const QString anna = alpha->addPlayer(QStringLiteral("Anna"));
        const QString bob = alpha->addPlayer(QStringLiteral("Bob"));
        writeBytes(f.logPath(QStringLiteral("Alpha")), QByteArrayLiteral("old chat\r\n"));
        QVERIFY(waitUntil([&f] { return f.console->players()->recordCount() == 2; }, kWait));
        f.state()->setFirstPass(false);
        QSignalSpy renamed(f.editor(), &ServerEditor::serverRenamed);
        // A command queued for later follows its server to the new name.
        f.console->queue()->QueueAppend(QStringLiteral("Night"), QStringLiteral("cmd:saveworld"),
                                        Clock::now().addDays(1), QStringLiteral("Alpha"));

        f.editor()->dialogOpened();
        const ServerEditor::Result result = f.editor()->edit(
            QStringLiteral("Alpha"), {QStringLiteral("Omega"), QStringLiteral("127.0.0.1"),
                                      alpha->portText(), QStringLiteral("pw")});
        f.editor()->dialogClosed();

        QCOMPARE(result.outcome, ServerEditor::Outcome::Changed);
        QCOMPARE(renamed.count(), 1);
        QCOMPARE(renamed.at(0),
                 (QList<QVariant>{QStringLiteral("Alpha"), QStringLiteral("Omega")}));
        QVERIFY(!QFile::exists(f.logPath(QStringLiteral("Alpha"))));
        QCOMPARE(readBytes(f.logPath(QStringLiteral("Omega"))), QByteArrayLiteral("old chat\r\n"));
        QVERIFY(f.messages().contains(
            QStringLiteral("Server setting changed:  ") + q(QStringLiteral("Alpha")) +
            QStringLiteral("  renamed to  ") + q(QStringLiteral("Omega"))));
        // The lines of the first visit now name the new server.
        const QStringList playing = f.messages().filter(QStringLiteral(") playing @ "));
        QCOMPARE(playing.size(), 2);
        for (const QString &line : playing)
            QVERIFY2(line.endsWith(q(QStringLiteral("Omega"))), qPrintable(line));
        QCOMPARE(f.savedNames(), QStringList{QStringLiteral("Omega")});
        QCOMPARE(f.console->queue()->entry(0).server, QStringLiteral("Omega"));

        // The players online stay with their server: a departure is seen and named after it.
        const PlayerRecords records = f.console->players()->records();
        QCOMPARE(records.size(), 2);
        for (const PlayerRecord &record : records)
            QCOMPARE(record.server, QStringLiteral("Omega"));
        QTRY_COMPARE_WITH_TIMEOUT(f.console->playerList()->entries().value(0).server,
                                  QStringLiteral("Omega"), kWait);
        alpha->removePlayer(bob);
        QVERIFY(waitUntil([&f] { return f.console->players()->recordCount() == 1; }, kWait));
        const QStringList left = f.messages().filter(QStringLiteral(") has left "));
        QCOMPARE(left.size(), 1);
        QVERIFY2(left.constFirst().startsWith(QStringLiteral("Player: `Bob´ (") + bob +
                                              QStringLiteral(") has left `Omega´")),
                 qPrintable(left.constFirst()));
        QCOMPARE(f.console->players()->record(0).steamId, anna);
        QVERIFY(f.messages().filter(QStringLiteral(") joined @ ")).isEmpty());
    }

    void renameKeepsBothFilesWhenTheNewNameHasOne() {
        Fixture f;
        f.add(QStringLiteral("Alpha"), closedPort());
        f.add(QStringLiteral("Beta"), closedPort());
        writeBytes(f.logPath(QStringLiteral("Alpha")), QByteArrayLiteral("alpha history"));
        // A file left behind by a deleted server of that name, or one put there by hand.
        writeBytes(f.logPath(QStringLiteral("Omega")), QByteArrayLiteral("omega history"));

        QCOMPARE(f.editor()
                     ->edit(QStringLiteral("Alpha"),
                            {QStringLiteral("Omega"), QStringLiteral("127.0.0.1"),
                             f.editor()->settingsOf(QStringLiteral("Alpha"))->port,
                             QStringLiteral("pw")})
                     .outcome,
                 ServerEditor::Outcome::Changed);
        QCOMPARE(readBytes(f.logPath(QStringLiteral("Alpha"))), QByteArrayLiteral("alpha history"));
        QCOMPARE(readBytes(f.logPath(QStringLiteral("Omega"))), QByteArrayLiteral("omega history"));
        const QStringList messages = f.messages();
        const int renamedAt = int(messages.indexOf(
            QStringLiteral("Server setting changed:  `Alpha´  renamed to  `Omega´")));
        QVERIFY(renamedAt >= 0);
        QCOMPARE(messages.value(renamedAt + 1),
                 QStringLiteral("Server logfile not renamed:  logs/Alpha.log kept, "
                                "logs/Omega.log already exists"));
        QCOMPARE(f.servers()->entry(f.servers()->rowOfName(QStringLiteral("Omega"))).settings.name,
                 QStringLiteral("Omega"));

        // Without a file of the old name there is nothing to move and nothing to say.
        QCOMPARE(
            f.editor()
                ->edit(QStringLiteral("Beta"),
                       {QStringLiteral("Gamma"), QStringLiteral("127.0.0.1"),
                        f.editor()->settingsOf(QStringLiteral("Beta"))->port, QStringLiteral("pw")})
                .outcome,
            ServerEditor::Outcome::Changed);
        QCOMPARE(f.messages().constLast(),
                 QStringLiteral("Server setting changed:  `Beta´  renamed to  `Gamma´"));
        QVERIFY(!QFile::exists(f.logPath(QStringLiteral("Gamma"))));
    }

    void openDialogHoldsTheCycleAndTheWatch() {
        Fixture f;
        ServerEditor *editor = f.editor();
        editor->dialogOpened();
        editor->dialogOpened(); // one dialog, one hold
        QVERIFY(f.poll()->isHeld());
        QVERIFY(f.console->backgroundWatch()->isHeld());
        editor->dialogClosed();
        QVERIFY(!f.poll()->isHeld());
        QVERIFY(!f.console->backgroundWatch()->isHeld());
        editor->dialogClosed();
        QVERIFY(!f.poll()->isHeld());
    }

    void watchdogWhileTheDialogIsOpenKeepsTheList() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        f.sim(QStringLiteral("B"));
        QVERIFY(f.waitVisits(2));
        a->setFault(SimServer::NeverAnswer);
        QVERIFY(waitUntil([&f] { return f.poll()->isVisiting(QStringLiteral("A")); }, kWait));
        QVERIFY(f.editor()->markForDeletion(QStringLiteral("B")));
        QCOMPARE(f.entry(QStringLiteral("B")).statusText(), QStringLiteral("Erase"));
        f.editor()->dialogOpened();
        const int visits = int(f.visits.size());
        // The watchdog ends A's visit; its result waits for the dialog like any other.
        QVERIFY(waitUntil([&f] { return !f.poll()->isVisiting(QStringLiteral("A")); }, kWait));
        QTest::qWait(100);
        QCOMPARE(f.visits.size(), visits);
        QCOMPARE(f.entry(QStringLiteral("A")).statusText(), QStringLiteral("Online"));
        QCOMPARE(f.servers()->serverCount(), 2);
        QVERIFY(f.servers()->deletePending());

        a->setFault(SimServer::NeverAnswer, false);
        f.editor()->dialogClosed();
        QVERIFY(waitUntil([&f] { return !f.servers()->deletePending(); }, kWait));
        QCOMPARE(f.servers()->serverCount(), 1);
        QCOMPARE(f.messages().filter(QStringLiteral("Server deleted:")).size(), 1);
    }

    // A step under way on a server that is renamed or deleted ends there, and its late answer
    // writes no file.
    void aRenamedOrDeletedServersStepIsAbandoned_data() {
        QTest::addColumn<bool>("rename");
        QTest::newRow("renamed") << true;
        QTest::newRow("deleted") << false;
    }
    void aRenamedOrDeletedServersStepIsAbandoned() {
        QFETCH(bool, rename);
        Intervals &intervals = Intervals::instance();
        const Intervals saved = intervals;
        const auto restore = qScopeGuard([saved] { Intervals::instance() = saved; });
        intervals.backgroundStepMs = 30;
        Fixture f;
        f.setOptions([](ProgramOptions &o) { o.backgroundChat = true; });
        SimServer *a = f.sim(QStringLiteral("A"));
        QVERIFY(waitUntil(
            [&f] { return f.entry(QStringLiteral("A")).statusText() == QLatin1String("Online"); },
            kWait));
        constexpr int answerDelayMs = 600;
        a->setFault(SimServer::SlowLogs);
        a->setAnswerDelayMs(answerDelayMs);
        a->appendGameLog(QStringLiteral("Bob (Rex): never written"));
        BackgroundWatch *watch = f.console->backgroundWatch();
        QSignalSpy ended(watch, &BackgroundWatch::stepEnded);
        watch->start();
        QVERIFY(
            waitUntil([a] { return a->commands().contains(QStringLiteral("GetGameLog")); }, kWait));
        QVERIFY(watch->isWatching(QStringLiteral("A")));
        if (rename) {
            f.editor()->dialogOpened(); // no further step while the dialog is open
            QCOMPARE(f.editor()
                         ->edit(QStringLiteral("A"),
                                {QStringLiteral("Omega"), QStringLiteral("127.0.0.1"),
                                 a->portText(), QStringLiteral("pw")})
                         .outcome,
                     ServerEditor::Outcome::Changed);
        } else {
            QVERIFY(f.editor()->markForDeletion(QStringLiteral("A")));
            QVERIFY(waitUntil([&f] { return f.servers()->serverCount() == 0; }, kWait));
        }
        QVERIFY(!watch->isWatching(QStringLiteral("A")));
        QCOMPARE(ended.count(), 1);
        QCOMPARE(ended.first().first().toString(), QStringLiteral("A"));
        // Past the time the answer would have come.
        QTest::qWait(2 * answerDelayMs);
        QVERIFY(!QFile::exists(f.logPath(QStringLiteral("A"))));
        QVERIFY(!QFile::exists(f.logPath(QStringLiteral("Omega"))));
        QCOMPARE(ended.count(), 1);
        if (rename)
            f.editor()->dialogClosed();
        watch->stop();
    }

    void removingAnEarlierServerKeepsTheCyclesPlace() {
        Fixture f;
        f.poll()->setConcurrency(1); // only the one-at-a-time cycle has a place in the list
        f.sim(QStringLiteral("A"));
        SimServer *b = f.sim(QStringLiteral("B"));
        f.sim(QStringLiteral("C"));
        QVERIFY(f.waitVisits(3));
        b->setFault(SimServer::NeverAnswer);
        QVERIFY(waitUntil(
            [&f] {
                return f.poll()->isVisitRunning() &&
                       f.poll()->currentServerName() == QStringLiteral("B");
            },
            kWait));
        const int visits = int(f.visits.size());
        QVERIFY(f.editor()->markForDeletion(QStringLiteral("A")));
        QVERIFY(f.waitVisits(visits + 2));
        QCOMPARE(f.servers()->rowOfName(QStringLiteral("A")), -1);
        // B's visit ended the step that removed A; C comes next, not B again.
        QCOMPARE(f.visits.mid(visits, 2), (QStringList{QStringLiteral("B"), QStringLiteral("C")}));
    }
};

QTEST_GUILESS_MAIN(TestServerEditor)
#include "tst_servereditor.moc"
