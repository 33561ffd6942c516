// The console tab's core: the command history and its file, Tab completion, the bans read back
// from the program log, and commands to one server or to every online one against simulated
// game servers, with their answers, failures and audit lines.
#include "base/Intervals.h"
#include "base/LogStamp.h"
#include "base/ProgramLog.h"
#include "commands/BanList.h"
#include "commands/BanListModel.h"
#include "commands/CommandCompletion.h"
#include "commands/CommandHistory.h"
#include "commands/ConsoleSession.h"
#include "console/Console.h"
#include "monitor/PollCycle.h"
#include "servers/ServerListModel.h"

#include "ConsoleFixture.h"
#include "FileModes.h"
#include "SimServer.h"
#include "TestFiles.h"
#include "TestWait.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(ConsoleExchange)

namespace {

constexpr int kWait = 10000;
const QString kBob = QStringLiteral("76561198000000004");
const QString kEos = QStringLiteral("0002a1b2c3d4e5f60718293a4b5c6d7e");

QString stamped(const QString &stamp, const QString &text) {
    return QLatin1Char('[') + stamp + QStringLiteral("] ") + text;
}

// A console whose poll cycle stands still, so that the servers keep the states a test gives.
struct Fixture : ConsoleFixture {
    QList<ConsoleExchange> ended;

    Fixture() {
        console->pollCycle()->stop();
        QObject::connect(console->consoleSession(), &ConsoleSession::exchangeEnded,
                         [this](const ConsoleExchange &exchange) { ended << exchange; });
    }
    SimServer *addSim(const QString &name, ServerState state = ServerState::Online) {
        SimServer *sim = startSim(name, QStringLiteral("pw-") + name);
        const int row = servers()->appendServer(
            {name, sim->host(), sim->portText(), QStringLiteral("pw-") + name});
        servers()->setState(row, state);
        return sim;
    }
    void addOffline(const QString &name, ServerState state) {
        const int row = servers()->appendServer(
            {name, QStringLiteral("127.0.0.1"), QStringLiteral("1"), QStringLiteral("pw")});
        servers()->setState(row, state);
    }
    ConsoleSession *session() const { return console->consoleSession(); }
    const ConsoleExchange *endedOn(const QString &server) const {
        for (const ConsoleExchange &exchange : ended) {
            if (exchange.server == server)
                return &exchange;
        }
        return nullptr;
    }
};

} // namespace

class TestConsoleCommands : public QObject {
    Q_OBJECT

private slots:
    void historyKeepsCommandsAcrossRestartsWithoutRepeats();
    void historyKeepsAtMostFiveHundred();
    void historyWalksOnlyTheEntriesHoldingTheTypedText();
    void historyFailedSaveIsToldOnceAndKept();
    void completion_data();
    void completion();
    void bans_data();
    void bans();
    void banModelFollowsTheLog();
    void commandAndItsAnswer();
    void failuresShowTheirReason_data();
    void failuresShowTheirReason();
    void lateAnswerIsShownAfterTheTimeOut();
    void allOnlineServersSendsToEachOnlineOne();
    void commandToADeletedServerGoesNowhere();
};

void TestConsoleCommands::historyKeepsCommandsAcrossRestartsWithoutRepeats() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("console_history.txt"));
    {
        CommandHistory history(path);
        history.load();
        for (const char *command : {"ListPlayers", "SetTimeOfDay 12:00", "SetTimeOfDay 12:00",
                                    "   ", "SaveWorld", "ListPlayers"})
            history.add(QString::fromUtf8(command));
        QCOMPARE(history.entries(),
                 QStringList({QStringLiteral("ListPlayers"), QStringLiteral("SetTimeOfDay 12:00"),
                              QStringLiteral("SaveWorld"), QStringLiteral("ListPlayers")}));
    }
    QCOMPARE(readBytes(path),
             QByteArray("ListPlayers\nSetTimeOfDay 12:00\nSaveWorld\nListPlayers\n"));
    QCOMPARE(fileMode(path), 0600);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
             QStringList{QStringLiteral("console_history.txt")}); // no temporary left behind

    // A file edited by hand: CR LF, blank lines and a repeat in a row read as one entry each.
    writeBytes(path, "ListPlayers\r\n\r\nSaveWorld\r\nSaveWorld\r\nDoExit");
    CommandHistory again(path);
    again.load();
    QCOMPARE(again.entries(), QStringList({QStringLiteral("ListPlayers"),
                                           QStringLiteral("SaveWorld"), QStringLiteral("DoExit")}));
}

void TestConsoleCommands::historyKeepsAtMostFiveHundred() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("console_history.txt"));
    CommandHistory history(path);
    for (int i = 0; i < 600; ++i)
        history.add(QStringLiteral("Broadcast %1").arg(i));
    QCOMPARE(history.entries().size(), CommandHistory::kMaxEntries);
    QCOMPARE(history.entries().constFirst(), QStringLiteral("Broadcast 100"));
    QCOMPARE(history.entries().constLast(), QStringLiteral("Broadcast 599"));
    CommandHistory reread(path);
    reread.load();
    QCOMPARE(reread.entries(), history.entries());
}

void TestConsoleCommands::historyWalksOnlyTheEntriesHoldingTheTypedText() {
    QTemporaryDir dir;
    CommandHistory history(dir.filePath(QStringLiteral("h.txt")));
    for (const char *command : {"SetTimeOfDay 08:00", "ListPlayers", "settimeofday 12:00",
                                "SaveWorld", "SetTimeOfDay 08:00"})
        history.add(QString::fromUtf8(command));
    // Older from the newest end, newer back towards it; the filter in any letter case.
    QCOMPARE(history.older(CommandHistory::kNone, QString()), 4);
    QCOMPARE(history.older(4, QString()), 3);
    QCOMPARE(history.older(CommandHistory::kNone, QStringLiteral("TIMEOF")), 4);
    QCOMPARE(history.older(4, QStringLiteral("TIMEOF")), 2);
    QCOMPARE(history.older(2, QStringLiteral("TIMEOF")), 0);
    QCOMPARE(history.older(0, QStringLiteral("TIMEOF")), CommandHistory::kNone);
    QCOMPARE(history.newer(0, QStringLiteral("timeof")), 2);
    QCOMPARE(history.newer(4, QString()), CommandHistory::kNone);
    QCOMPARE(history.older(CommandHistory::kNone, QStringLiteral("DoExit")), CommandHistory::kNone);
    // The list Ctrl+R offers: newest first, each command once.
    QCOMPARE(
        history.matching(QStringLiteral("time")),
        QStringList({QStringLiteral("SetTimeOfDay 08:00"), QStringLiteral("settimeofday 12:00")}));
}

void TestConsoleCommands::historyFailedSaveIsToldOnceAndKept() {
    QTemporaryDir dir;
    // A folder where the file should be: every write fails.
    const QString path = dir.filePath(QStringLiteral("console_history.txt"));
    QVERIFY(QDir().mkpath(path));
    CommandHistory history(path);
    QSignalSpy messages(&history, &CommandHistory::message);
    history.add(QStringLiteral("SaveWorld"));
    history.add(QStringLiteral("DoExit"));
    QCOMPARE(messages.size(), 1);
    QVERIFY(messages.at(0).at(0).toString().startsWith(
        QStringLiteral("Error saving console history (console_history.txt):  ")));
    QVERIFY(QDir().rmdir(path));
    history.add(QStringLiteral("ListPlayers"));
    QCOMPARE(readBytes(path), QByteArray("SaveWorld\nDoExit\nListPlayers\n"));
    QCOMPARE(messages.size(), 1);
}

void TestConsoleCommands::completion_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("cursor"); // -1: at the end
    QTest::addColumn<QStringList>("insertions");
    QTest::addColumn<QString>("result"); // the text after taking the first insertion

    QTest::newRow("command name, any case")
        << QStringLiteral("savew") << -1 << QStringList{QStringLiteral("SaveWorld")}
        << QStringLiteral("SaveWorld");
    QTest::newRow("command that takes an argument gets a blank")
        << QStringLiteral("SetTimeO") << -1 << QStringList{QStringLiteral("SetTimeOfDay ")}
        << QStringLiteral("SetTimeOfDay ");
    QTest::newRow("several commands")
        << QStringLiteral("Get") << -1
        << QStringList{QStringLiteral("GetChat"), QStringLiteral("GetGameLog"),
                       QStringLiteral("GetPlayerIDForSteamID "),
                       QStringLiteral("GetSteamIDForPlayerID "),
                       QStringLiteral("GetTribeIdPlayerList ")}
        << QStringLiteral("GetChat");
    QTest::newRow("kick by name gives the id")
        << QStringLiteral("KickPlayer bo") << -1 << QStringList{kBob}
        << QStringLiteral("KickPlayer ") + kBob;
    QTest::newRow("ban by the start of an EOS id")
        << QStringLiteral("banplayer 0002A1") << -1 << QStringList{kEos}
        << QStringLiteral("banplayer ") + kEos;
    QTest::newRow("a name that only holds the text")
        << QStringLiteral("KickPlayer greg") << -1
        << QStringList{QStringLiteral("76561198000000009")}
        << QStringLiteral("KickPlayer 76561198000000009");
    QTest::newRow("every player for an empty argument")
        << QStringLiteral("KickPlayer ") << -1
        << QStringList{kBob, kEos, QStringLiteral("76561198000000009")}
        << QStringLiteral("KickPlayer ") + kBob;
    QTest::newRow("a name in quotes for a command that wants one")
        << QStringLiteral("ServerChatToPlayer \"Al") << -1
        << QStringList{QStringLiteral("\"Alice Smith\"")}
        << QStringLiteral("ServerChatToPlayer \"Alice Smith\"");
    QTest::newRow("the cursor inside the text")
        << QStringLiteral("KickPlayer bo and more") << 13 << QStringList{kBob}
        << QStringLiteral("KickPlayer ") + kBob + QStringLiteral(" and more");
    QTest::newRow("no players for a command without one")
        << QStringLiteral("Broadcast Bo") << -1 << QStringList{} << QString();
    QTest::newRow("empty field") << QString() << -1 << QStringList{} << QString();
    QTest::newRow("unknown command")
        << QStringLiteral("Frobnicate") << -1 << QStringList{} << QString();
}

void TestConsoleCommands::completion() {
    QFETCH(QString, text);
    QFETCH(int, cursor);
    QFETCH(QStringList, insertions);
    QFETCH(QString, result);
    const QList<CommandCompletion::Player> players = {
        {QStringLiteral("Bob"), kBob},
        {QStringLiteral("Alice Smith"), kEos},
        {QStringLiteral("Old Greg"), QStringLiteral("76561198000000009")},
        {QStringLiteral("Bob"), kBob}, // on a second server: offered once
    };
    const CommandCompletion::Result found =
        CommandCompletion::complete(text, cursor < 0 ? int(text.size()) : cursor, players);
    if (text.startsWith(QStringLiteral("KickPlayer b"))) // the name starts: Old Greg is left out
        QCOMPARE(found.labels.value(0), QStringLiteral("Bob  (") + kBob + QLatin1Char(')'));
    QCOMPARE(found.insertions, insertions);
    if (!insertions.isEmpty()) {
        QString taken = text;
        taken.replace(found.from, found.to - found.from, found.insertions.constFirst());
        QCOMPARE(taken, result);
    }
}

void TestConsoleCommands::bans_data() {
    QTest::addColumn<QStringList>("log");  // newest first
    QTest::addColumn<QStringList>("bans"); // "name|id|server|stamp"

    const QString ban = QStringLiteral("Command successfully: BanPlayer ");
    const QString unban = QStringLiteral("Command successfully: UnbanPlayer ");
    QTest::newRow("a ban, its name from the player lines")
        << QStringList{stamped(QStringLiteral("310601-100500"),
                               ban + kBob + QStringLiteral(" @ Alpha")),
                       stamped(QStringLiteral("310601-100000"),
                               QStringLiteral("Player: `Bob´ (") + kBob +
                                   QStringLiteral(") joined @ `Alpha´")),
                       stamped(QStringLiteral("310501-100000"),
                               QStringLiteral("Player: `Robert´ (") + kBob +
                                   QStringLiteral(") joined @ `Beta´"))}
        << QStringList{QStringLiteral("Bob|") + kBob + QStringLiteral("|Alpha|310601-100500")};
    QTest::newRow("an unban on the same server lifts it")
        << QStringList{stamped(QStringLiteral("310602-100000"),
                               unban + kBob + QStringLiteral(" @ Alpha")),
                       stamped(QStringLiteral("310601-100000"),
                               ban + kBob + QStringLiteral(" @ Alpha"))}
        << QStringList{};
    QTest::newRow("an unban on another server does not")
        << QStringList{stamped(QStringLiteral("310602-100000"),
                               unban + kBob + QStringLiteral(" @ Beta")),
                       stamped(QStringLiteral("310601-100000"),
                               ban + kBob + QStringLiteral(" @ Alpha"))}
        << QStringList{QStringLiteral("|") + kBob + QStringLiteral("|Alpha|310601-100000")};
    QTest::newRow("a ban after its unban stands")
        << QStringList{stamped(QStringLiteral("310603-100000"),
                               ban + kBob + QStringLiteral(" @ Alpha")),
                       stamped(QStringLiteral("310602-100000"),
                               unban + kBob + QStringLiteral(" @ Alpha")),
                       stamped(QStringLiteral("310601-100000"),
                               ban + kBob + QStringLiteral(" @ Alpha"))}
        << QStringList{QStringLiteral("|") + kBob + QStringLiteral("|Alpha|310603-100000")};
    QTest::newRow("a ban named in its line, the server after the last ') @ '")
        << QStringList{stamped(QStringLiteral("310601-100000"),
                               ban + kEos + QStringLiteral(" (Bob ) @ x) @ Alpha 2")),
                       stamped(QStringLiteral("310531-100000"),
                               ban + kBob + QStringLiteral(" (Old Greg) @ Beta"))}
        << QStringList{QStringLiteral("Bob ) @ x|") + kEos +
                           QStringLiteral("|Alpha 2|310601-100000"),
                       QStringLiteral("Old Greg|") + kBob + QStringLiteral("|Beta|310531-100000")};
    QTest::newRow("failures, kicks and other lines are no bans")
        << QStringList{stamped(QStringLiteral("310601-100000"),
                               QStringLiteral("ERROR: Command BanPlayer ") + kBob),
                       stamped(QStringLiteral("310601-100000"),
                               QStringLiteral("Command successfully: KickPlayer ") + kBob +
                                   QStringLiteral(" @ Alpha")),
                       stamped(QStringLiteral("310601-100000"),
                               QStringLiteral("Console command (Alpha):  BanPlayer ") + kBob),
                       stamped(QStringLiteral("310601-100000"), ban + kBob),
                       QStringLiteral("short")}
        << QStringList{};
}

void TestConsoleCommands::bans() {
    QFETCH(QStringList, log);
    QFETCH(QStringList, bans);
    QStringList found;
    for (const BanList::Ban &ban : BanList::fromLog(log))
        found << QStringList{ban.playerName, ban.playerId, ban.server, ban.stamp}.join(
            QLatin1Char('|'));
    QCOMPARE(found, bans);
}

void TestConsoleCommands::banModelFollowsTheLog() {
    QTemporaryDir dir;
    ProgramLog log(dir.path());
    BanListModel model(&log);
    QSignalSpy stale(&model, &BanListModel::staleChanged);
    log.message(QStringLiteral("Command successfully: BanPlayer ") + kBob +
                QStringLiteral(" @ Alpha"));
    QCOMPARE(stale.size(), 1);
    log.message(QStringLiteral("Server status changed"));
    QCOMPARE(stale.size(), 1); // an entry that cannot change the list
    QVERIFY(model.needsRefresh());
    model.refresh();
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.index(0, BanListModel::UnbanColumn).data().toString(), QStringLiteral("Unban"));
    log.message(QStringLiteral("Command successfully: UnbanPlayer ") + kBob +
                QStringLiteral(" @ Alpha"));
    QVERIFY(model.needsRefresh());
    model.refresh();
    QCOMPARE(model.rowCount(), 0);
}

void TestConsoleCommands::commandAndItsAnswer() {
    Fixture f;
    SimServer *alpha = f.addSim(QStringLiteral("Alpha"));
    alpha->setAnswerFor(QStringLiteral("GetTribeIdPlayerList"),
                        QStringLiteral("1. Bob, 76561198000000004\n2. Ann, 76561198000000005\n"));
    f.session()->send(QStringLiteral("Alpha"), QStringLiteral("  GetTribeIdPlayerList 1234\n"));
    QVERIFY(waitUntil([&] { return !f.ended.isEmpty(); }, kWait));
    const ConsoleExchange &exchange = f.ended.constFirst();
    QCOMPARE(exchange.state, ConsoleExchange::State::Answered);
    QCOMPARE(exchange.command, QStringLiteral("GetTribeIdPlayerList 1234"));
    QCOMPARE(exchange.text,
             QStringLiteral("1. Bob, 76561198000000004\n2. Ann, 76561198000000005\n"));
    QCOMPARE(alpha->commands(), QStringList{QStringLiteral("GetTribeIdPlayerList 1234")});
    QCOMPARE(f.session()->waitingCount(), 0);
    QVERIFY(f.messages().contains(
        QStringLiteral("Console command (Alpha):  GetTribeIdPlayerList 1234")));
    QVERIFY(f.messages().contains(
        QStringLiteral("Command successfully: GetTribeIdPlayerList 1234 @ Alpha")));
    QCOMPARE(f.console->commandHistory()->entries(),
             QStringList{QStringLiteral("GetTribeIdPlayerList 1234")});
}

void TestConsoleCommands::failuresShowTheirReason_data() {
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("reason");
    QTest::newRow("refused login") << int(SimServer::RefuseLogin) << QStringLiteral("Bad login");
    QTest::newRow("no answer") << int(SimServer::NeverAnswer) << QStringLiteral("No answer in 1 s");
    QTest::newRow("stopped server") << -1 << QStringLiteral("Server offline");
}

void TestConsoleCommands::failuresShowTheirReason() {
    QFETCH(int, fault);
    QFETCH(QString, reason);
    Intervals &intervals = Intervals::instance();
    const Intervals saved = intervals;
    intervals.commandAnswerTimeoutMs = 1000;
    Fixture f;
    SimServer *alpha = f.addSim(QStringLiteral("Alpha"));
    if (fault < 0)
        alpha->stop();
    else
        alpha->setFaults(SimServer::Faults(fault));
    f.session()->send(QStringLiteral("Alpha"), QStringLiteral("SaveWorld"));
    const bool ended = waitUntil([&] { return !f.ended.isEmpty(); }, kWait);
    intervals = saved;
    QVERIFY(ended);
    QCOMPARE(f.ended.constFirst().state, ConsoleExchange::State::Failed);
    QCOMPARE(f.ended.constFirst().text, reason);
    QVERIFY(f.messages().contains(QStringLiteral("Console command (Alpha):  SaveWorld")));
}

void TestConsoleCommands::lateAnswerIsShownAfterTheTimeOut() {
    Intervals &intervals = Intervals::instance();
    const Intervals saved = intervals;
    intervals.commandAnswerTimeoutMs = 1000;
    Fixture f;
    SimServer *alpha = f.addSim(QStringLiteral("Alpha"));
    alpha->setFault(SimServer::DelayAnswer);
    alpha->setAnswerDelayMs(2500);
    f.session()->send(QStringLiteral("Alpha"), QStringLiteral("SaveWorld"));
    const bool both = waitUntil([&] { return f.ended.size() == 2; }, kWait);
    intervals = saved;
    QVERIFY(both);
    QCOMPARE(f.ended.at(0).state, ConsoleExchange::State::Failed);
    QCOMPARE(f.ended.at(0).text, QStringLiteral("No answer in 1 s"));
    QCOMPARE(f.ended.at(1).state, ConsoleExchange::State::Answered);
    QVERIFY(f.ended.at(1).late);
    QCOMPARE(f.ended.at(1).text, QStringLiteral("World Saved"));
    QCOMPARE(f.ended.at(1).id, f.ended.at(0).id);
}

void TestConsoleCommands::allOnlineServersSendsToEachOnlineOne() {
    Fixture f;
    SimServer *alpha = f.addSim(QStringLiteral("Alpha"));
    f.addOffline(QStringLiteral("Beta"), ServerState::Refused);
    SimServer *gamma = f.addSim(QStringLiteral("Gamma"), ServerState::ChatOnline);
    f.addOffline(QStringLiteral("Delta"), ServerState::Queue);
    f.addOffline(QStringLiteral("Gone"), ServerState::Erase);
    QSignalSpy waiting(f.session(), &ConsoleSession::waitingCountChanged);
    f.session()->sendToAllOnline(QStringLiteral("SaveWorld"));
    QCOMPARE(f.session()->waitingCount(), 2);
    QVERIFY(waitUntil([&] { return f.ended.size() == 4; }, kWait));
    QCOMPARE(f.endedOn(QStringLiteral("Alpha"))->text, QStringLiteral("World Saved"));
    QCOMPARE(f.endedOn(QStringLiteral("Gamma"))->text, QStringLiteral("World Saved"));
    QCOMPARE(f.endedOn(QStringLiteral("Beta"))->state, ConsoleExchange::State::Failed);
    QCOMPARE(f.endedOn(QStringLiteral("Beta"))->text, QStringLiteral("Server offline"));
    QCOMPARE(f.endedOn(QStringLiteral("Delta"))->text, QStringLiteral("Not visited yet"));
    QVERIFY(!f.endedOn(QStringLiteral("Gone")));
    QCOMPARE(alpha->commands(), QStringList{QStringLiteral("SaveWorld")});
    QCOMPARE(gamma->commands(), QStringList{QStringLiteral("SaveWorld")});
    QCOMPARE(waiting.constLast().at(0).toInt(), 0);
    // One audit line per server the command went to, none for the others.
    const QStringList audits = f.messages().filter(QStringLiteral("Console command ("));
    QCOMPARE(audits, QStringList({QStringLiteral("Console command (Alpha):  SaveWorld"),
                                  QStringLiteral("Console command (Gamma):  SaveWorld")}));
    QCOMPARE(f.console->commandHistory()->entries(), QStringList{QStringLiteral("SaveWorld")});
}

void TestConsoleCommands::commandToADeletedServerGoesNowhere() {
    Fixture f;
    f.session()->send(QStringLiteral("Nowhere"), QStringLiteral("DoExit"));
    QCOMPARE(f.ended.size(), 1);
    QCOMPARE(f.ended.constFirst().text, QStringLiteral("Server deleted"));
    QVERIFY(f.messages().filter(QStringLiteral("Console command")).isEmpty());
}

QTEST_GUILESS_MAIN(TestConsoleCommands)
#include "tst_consolecommands.moc"
