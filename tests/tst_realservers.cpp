// The console against simulated servers that answer the way real ones do today: the newer
// edition lists its players by EOS id (32 hexadecimal digits), and some servers end their lines
// with CR LF and pad their answers. The ids go whole into the program log, the statistics and
// their export, and into a kick; no CR reaches a log, a view or a file.
#include "base/Intervals.h"
#include "base/ProgramLog.h"
#include "chat/ChatLog.h"
#include "chat/ChatSession.h"
#include "chat/ServerLogFile.h"
#include "commands/CommandSender.h"
#include "monitor/PlayerTracker.h"
#include "monitor/PollCycle.h"
#include "servers/ServerListModel.h"
#include "stats/PlayerStatistics.h"
#include "stats/StatisticsCsv.h"

#include "ConsoleFixture.h"
#include "TestWait.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include <algorithm>

namespace {

constexpr int kWait = 20000;

struct Fixture : ConsoleFixture {
    QStringList visits;

    Fixture() {
        QObject::connect(console->pollCycle(), &PollCycle::visitEnded,
                         [this](const QString &name) { visits << name; });
    }
    ~Fixture() {
        console->chat()->chataus();
        console->pollCycle()->stop();
    }

    SimServer *sim(const QString &name, SimServer::PlayerIds ids, bool crLf) {
        SimServer *server = startSim(name, QStringLiteral("pw"));
        server->setPlayerIds(ids);
        server->setCrLf(crLf);
        servers()->appendServer({name, server->host(), server->portText(), QStringLiteral("pw")});
        return server;
    }
    bool waitVisits(int count) {
        return waitUntil([this, count] { return visits.size() >= count; }, kWait);
    }
    // The program log as the statistics read it: stamped lines, newest first.
    QStringList logLines() const { return console->programLog()->lines(); }
    bool logged(const QString &start) const {
        const QStringList texts = messages();
        return std::any_of(texts.cbegin(), texts.cend(),
                           [&start](const QString &text) { return text.startsWith(start); });
    }
};

QString idOf(const SimServer *server, const QString &name) {
    for (const SimServer::Player &player : server->players()) {
        if (player.name == name)
            return player.steamId;
    }
    return QString();
}

} // namespace

Q_DECLARE_METATYPE(SimServer::PlayerIds)

class TestRealServers : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Intervals &intervals = Intervals::instance();
        intervals.visitStartFirstPassMs = 10;
        intervals.visitStartMs = 30;
        intervals.watchdogMs = 1500;
        intervals.pollConnectTimeoutMs = 1000;
        intervals.splitResponseWaitMs = 100;
        intervals.commandConnectTimeoutMs = 2000;
        intervals.commandAnswerTimeoutMs = 2000;
        intervals.chatRerequestMs = 40;
        intervals.chatConnectTimeoutMs = 1000;
    }

    void playersAreTrackedByTheWholeIdIntoTheStatisticsAndAKick_data() {
        QTest::addColumn<SimServer::PlayerIds>("ids");
        QTest::addColumn<bool>("crLf");
        QTest::newRow("newer edition, EOS ids") << SimServer::PlayerIds::Eos << false;
        QTest::newRow("newer edition, CR LF") << SimServer::PlayerIds::Eos << true;
        QTest::newRow("older edition, CR LF") << SimServer::PlayerIds::SteamId64 << true;
    }
    void playersAreTrackedByTheWholeIdIntoTheStatisticsAndAKick() {
        QFETCH(SimServer::PlayerIds, ids);
        QFETCH(bool, crLf);
        const QRegularExpression wholeId(ids == SimServer::PlayerIds::Eos
                                             ? QStringLiteral("^0002[0-9a-f]{28}$")
                                             : QStringLiteral("^7656119[0-9]{10}$"));
        Fixture f;
        SimServer *alpha = f.sim(QStringLiteral("Alpha"), ids, crLf);
        const QString dora = alpha->addPlayer(QStringLiteral("Dora"));
        const QString emil = alpha->addPlayer(QStringLiteral("[TRB] Emil, the 2nd ?"));
        QVERIFY2(wholeId.match(dora).hasMatch(), qPrintable(dora));
        f.console->pollCycle()->Startles();
        QVERIFY(f.waitVisits(2));
        QCOMPARE(f.entry(QStringLiteral("Alpha")).statusText(), QStringLiteral("Online"));
        QCOMPARE(f.entry(QStringLiteral("Alpha")).playerCount, QStringLiteral("2"));
        QVERIFY(f.messages().contains(QStringLiteral("Player: `Dora\u00b4 (") + dora +
                                      QStringLiteral(") playing @ `Alpha\u00b4")));

        const QString finn = alpha->addPlayer(QStringLiteral("Finn"));
        QTRY_VERIFY_WITH_TIMEOUT(f.messages().contains(QStringLiteral("Player: `Finn\u00b4 (") +
                                                       finn +
                                                       QStringLiteral(") joined @ `Alpha\u00b4")),
                                 kWait);
        QVERIFY(alpha->removePlayer(dora));
        QTRY_VERIFY_WITH_TIMEOUT(f.logged(QStringLiteral("Player: `Dora\u00b4 (") + dora +
                                          QStringLiteral(") has left `Alpha\u00b4 - Duration {")),
                                 kWait);
        QCOMPARE(f.console->players()->recordCount(), 2);

        // A kick goes out with the whole id, and the server finds the player by it.
        f.console->commands()->KickOnServer(QStringLiteral("Alpha"), emil);
        QTRY_VERIFY_WITH_TIMEOUT(
            f.messages().contains(QStringLiteral("Command successfully: KickPlayer ") + emil +
                                  QStringLiteral(" @ Alpha")),
            kWait);
        QVERIFY(alpha->commands().contains(QStringLiteral("KickPlayer ") + emil));
        QVERIFY(idOf(alpha, QStringLiteral("[TRB] Emil, the 2nd ?")).isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(f.logged(QStringLiteral("Player: `[TRB] Emil, the 2nd ?\u00b4 (") +
                                          emil + QStringLiteral(") has left `Alpha\u00b4")),
                                 kWait);

        for (const QString &line : f.logLines())
            QVERIFY2(!line.contains(QLatin1Char('\r')), qPrintable(line));

        // The statistics and their export hold every player once, by the whole id.
        const PlayerStatistics statistics =
            BuildStatistics(f.logLines(), QDateTime::currentDateTime().date());
        QStringList rowIds;
        for (int row = 1; row < statistics.table.rowCount(); ++row)
            rowIds << statistics.table.cell(PlayerStatistics::SteamIdColumn, row);
        rowIds.sort();
        QStringList expected{dora, emil, finn};
        expected.sort();
        QCOMPARE(rowIds, expected);
        const QByteArray csv = StatisticsCsv::encode(statistics);
        for (const QString &id : std::as_const(expected))
            QVERIFY2(csv.contains("\r\n" + id.toLatin1() + ','), csv.constData());
        QVERIFY(csv.contains("\r\n" + dora.toLatin1() + ",Dora,"));
        QVERIFY(csv.contains("\r\n" + emil.toLatin1() + ",\"[TRB] Emil, the 2nd ?\","));
    }

    void aCrLfChatShowsAndKeepsNoCarriageReturn() {
        Fixture f;
        SimServer *alpha = f.sim(QStringLiteral("Alpha"), SimServer::PlayerIds::Eos, true);
        f.servers()->setState(0, ServerState::Online);
        alpha->appendGameLog(QStringLiteral("Dora (Rex): hello there"));
        alpha->appendGameLog(QStringLiteral(
            "Tribe Foo, ID 1: Day 5, 10:11:12: <RichColor Color=\"0.85, 0.15, 0.25, 1\">Dora "
            "destroyed a wall!</>)"));
        f.console->chat()->Chat1Click(QStringLiteral("Alpha"));
        ChatLog *log = f.console->chat()->chatLog();
        QTRY_COMPARE_WITH_TIMEOUT(log->lineCount(), 2, kWait);
        // Answers with nothing new are the no-output answer in CR LF and padding: no lines.
        QTRY_VERIFY_WITH_TIMEOUT(alpha->commands().count(QStringLiteral("GetGameLog")) >= 4, kWait);
        QCOMPARE(log->lineCount(), 2);
        QCOMPARE(log->lines().at(0).text(), QStringLiteral("Dora (Rex): hello there"));
        QCOMPARE(log->lines().at(1).text(),
                 QStringLiteral("Tribe Foo, ID 1: Day 5, 10:11:12: Dora destroyed a wall!"));
        QCOMPARE(log->lines().at(1).runs().constLast().color, QColor(217, 38, 64));

        const QString path = f.logPath(QStringLiteral("Alpha"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path), kWait);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<ChatLine> kept = ServerLogFile::parse(file.readAll());
        QCOMPARE(kept.size(), 2);
        for (const ChatLine &line : kept)
            QVERIFY2(!line.displayText().contains(QLatin1Char('\r')),
                     qPrintable(line.displayText()));
    }
};

QTEST_GUILESS_MAIN(TestRealServers)
#include "tst_realservers.moc"
