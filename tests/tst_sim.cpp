#include "monitor/PollCycle.h"
#include "rcon/RconChannel.h"

#include "SimGroup.h"
#include "SimServer.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

namespace {

const QString NoResponse = QStringLiteral("Server received, But no response!! \n ");

// The player-line split of the poll cycle: the name runs to the last comma.
QPair<QString, QString> splitPlayerLine(const QString &line) {
    const qsizetype nameStart = line.indexOf(QLatin1Char('.')) + 2;
    const qsizetype comma = line.lastIndexOf(QLatin1Char(','));
    return {line.mid(nameStart, comma - nameStart), line.mid(comma + 2, 17)};
}

} // namespace

class TestSim : public QObject {
    Q_OBJECT

private slots:
    void plainCommandsAnswerAsTheGame_data();
    void plainCommandsAnswerAsTheGame();
    void logsReturnLinesSincePreviousCall();
    void adminCommandsActOnPlayers();
    void newerEditionAndCrLfModesAnswerLikeRealServers();
    void churnKeepsAnswersWellFormed();
    void faultNamesRoundTrip();
    void programServesAndQuitsOnSigterm();
};

void TestSim::plainCommandsAnswerAsTheGame_data() {
    QTest::addColumn<QStringList>("players");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("expected");

    QTest::newRow("nobody online")
        << QStringList() << QStringLiteral("listplayers") << QStringLiteral("No Players Connected");
    QTest::newRow("player lines") << QStringList{QStringLiteral("Big.Bob"),
                                                 QStringLiteral("Tom, Dick, Harry")}
                                  << QStringLiteral("ListPlayers")
                                  << QStringLiteral("\n0. Big.Bob, 76561198000000101\n"
                                                    "1. Tom, Dick, Harry, 76561198000000102\n");
    QTest::newRow("save") << QStringList() << QStringLiteral("saveworld")
                          << QStringLiteral("World Saved");
    QTest::newRow("broadcast") << QStringList() << QStringLiteral("Broadcast Restart in 5")
                               << NoResponse;
    QTest::newRow("unknown command") << QStringList() << QStringLiteral("fly") << NoResponse;
}

void TestSim::plainCommandsAnswerAsTheGame() {
    QFETCH(QStringList, players);
    QFETCH(QString, command);
    QFETCH(QString, expected);
    SimServer server(QStringLiteral("Alpha"), QStringLiteral("pw"));
    for (qsizetype i = 0; i < players.size(); ++i)
        server.addPlayer(players[i], QString::number(76561198000000101ULL + quint64(i)));
    QCOMPARE(server.answer(command), expected);
}

void TestSim::logsReturnLinesSincePreviousCall() {
    SimServer server(QStringLiteral("Alpha"), QStringLiteral("pw"));
    const QDateTime stamp(QDate(2017, 1, 5), QTime(9, 8, 7));
    QCOMPARE(server.answer(QStringLiteral("GetGameLog")), NoResponse);

    server.appendGameLog(QStringLiteral("Tribe Foo, ID 123: Day 5, 10:11:12: Bob was killed!)"),
                         stamp);
    server.appendChat(QStringLiteral("Bob (Rex): hi"), stamp);
    QCOMPARE(server.answer(QStringLiteral("GetGameLog")),
             QStringLiteral("2017.01.05_09.08.07: Tribe Foo, ID 123: Day 5, 10:11:12: Bob was "
                            "killed!)\n2017.01.05_09.08.07: Bob (Rex): hi\n"));
    QCOMPARE(server.answer(QStringLiteral("GetGameLog")), NoResponse);

    // The chat has its own cursor and no stamps.
    QCOMPARE(server.answer(QStringLiteral("Getchat")), QStringLiteral("Bob (Rex): hi\n"));
    QCOMPARE(server.answer(QStringLiteral("ServerChat (Admin): hello")), NoResponse);
    QCOMPARE(server.answer(QStringLiteral("Getchat")), QStringLiteral("SERVER: (Admin): hello\n"));
    QCOMPARE(server.answer(QStringLiteral("Getchat")), NoResponse);

    const QStringList fresh =
        server.answer(QStringLiteral("GetGameLog")).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(fresh.size(), 2);
    const QRegularExpression stamped(QStringLiteral("^\\d{4}\\.\\d\\d\\.\\d\\d_\\d\\d\\.\\d\\d\\."
                                                    "\\d\\d: "));
    QVERIFY(stamped.match(fresh[0]).hasMatch());
    QVERIFY(fresh[0].endsWith(QStringLiteral("AdminCmd: ServerChat (Admin): hello (PlayerName: "
                                             "RCON)")));
    QVERIFY(fresh[1].endsWith(QStringLiteral(": SERVER: (Admin): hello")));
}

void TestSim::newerEditionAndCrLfModesAnswerLikeRealServers() {
    SimServer server(QStringLiteral("Alpha"), QStringLiteral("pw"));
    server.setPlayerIds(SimServer::PlayerIds::Eos);
    const QString dora = server.addPlayer(QStringLiteral("Dora"));
    const QString emil = server.addPlayer(QStringLiteral("Emil"));
    const QRegularExpression eos(QStringLiteral("^0002[0-9a-f]{28}$"));
    QVERIFY2(eos.match(dora).hasMatch(), qPrintable(dora));
    QVERIFY(dora != emil);
    QCOMPARE(server.answer(QStringLiteral("listplayers")), QStringLiteral("\n0. Dora, ") + dora +
                                                               QStringLiteral("\n1. Emil, ") +
                                                               emil + QLatin1Char('\n'));

    server.setCrLf(true);
    QCOMPARE(server.answer(QStringLiteral("listplayers")), QStringLiteral("\r\n0. Dora, ") + dora +
                                                               QStringLiteral("\r\n1. Emil, ") +
                                                               emil + QStringLiteral("\r\n\n "));
    QCOMPARE(server.answer(QStringLiteral("GetGameLog")),
             QStringLiteral("Server received, But no response!! \r\n \n "));
    QCOMPARE(server.answer(QStringLiteral("KickPlayer ") + dora),
             QStringLiteral("Kicked ") + dora + QStringLiteral("\n "));
    QCOMPARE(server.players().size(), 1);
    server.clearPlayers();
    QCOMPARE(server.answer(QStringLiteral("listplayers")),
             QStringLiteral("No Players Connected\n "));
}

void TestSim::adminCommandsActOnPlayers() {
    SimServer server(QStringLiteral("Alpha"), QStringLiteral("pw"));
    const QString bob = server.addPlayer(QStringLiteral("Bob"));
    const QString eve = server.addPlayer(QStringLiteral("Eve"));
    QVERIFY(bob.startsWith(QStringLiteral("7656119")) && bob.size() == 17);
    QVERIFY(bob != eve);

    QCOMPARE(server.answer(QStringLiteral("KickPlayer ") + bob), QStringLiteral("Kicked ") + bob);
    QCOMPARE(server.answer(QStringLiteral("KickPlayer ") + bob),
             QStringLiteral("Can't find player ") + bob);
    server.answer(QStringLiteral("BanPlayer ") + eve);
    QVERIFY(server.players().isEmpty());
    QCOMPARE(server.bannedIds(), QStringList{eve});
    QCOMPARE(server.answer(QStringLiteral("UnbanPlayer ") + eve),
             QStringLiteral("Unbanned ") + eve);
    QVERIFY(server.bannedIds().isEmpty());

    server.answer(QStringLiteral("SetMessageOfTheDay Welcome, survivors"));
    QCOMPARE(server.messageOfTheDay(), QStringLiteral("Welcome, survivors"));
}

void TestSim::churnKeepsAnswersWellFormed() {
    SimGroup group;
    SimServer *alpha = group.addServer(QStringLiteral("Alpha"), QStringLiteral("pw"));
    SimServer *beta = group.addServer(QStringLiteral("Beta"), QStringLiteral("pw"));
    QVERIFY(alpha->isListening() && beta->isListening());
    QCOMPARE(group.server(QStringLiteral("Beta")), beta);
    for (int i = 0; i < 4; ++i) {
        alpha->addRandomPlayer();
        beta->addRandomPlayer();
    }
    group.startChurn(1);
    QTRY_VERIFY(alpha->gameLog().size() > 150 && beta->gameLog().size() > 150);
    group.stopChurn();

    QSet<QString> ids;
    for (SimServer *server : group.servers()) {
        const QString answer = server->answer(QStringLiteral("listplayers"));
        if (answer == QLatin1String("No Players Connected"))
            continue;
        QVERIFY(answer.startsWith(QStringLiteral("\n0. ")));
        const QList<SimServer::Player> players = server->players();
        const QStringList lines = answer.mid(1).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), players.size());
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const auto [name, id] = splitPlayerLine(lines[i]);
            QCOMPARE(name, players[i].name);
            QCOMPARE(id, players[i].steamId);
            QVERIFY(!ids.contains(id));
            ids.insert(id);
        }
    }

    const QRegularExpression tribe(QStringLiteral(
        "^\\d{4}\\.\\d\\d\\.\\d\\d_\\d\\d\\.\\d\\d\\.\\d\\d: Tribe [^,]+, ID \\d+: Day \\d+, "
        "\\d\\d:\\d\\d:\\d\\d: (<RichColor Color=\"[01], [01], [01], 1\">.*!</>|.*!)\\)$"));
    int tribeLines = 0;
    for (const QString &line : alpha->gameLog()) {
        if (line.contains(QStringLiteral(": Tribe "))) {
            QVERIFY2(tribe.match(line).hasMatch(), qPrintable(line));
            ++tribeLines;
        }
    }
    QVERIFY(tribeLines > 0);
    QVERIFY(!alpha->chat().isEmpty());
}

void TestSim::faultNamesRoundTrip() {
    const QStringList names = SimServer::faultNames();
    QSet<unsigned> seen;
    for (const QString &name : names) {
        const SimServer::Fault fault = SimServer::faultFromName(name);
        QVERIFY2(fault != SimServer::NoFault, qPrintable(name));
        seen.insert(fault);
    }
    QCOMPARE(seen.size(), names.size());
    QCOMPARE(SimServer::faultFromName(QStringLiteral("no-such-fault")), SimServer::NoFault);
}

void TestSim::programServesAndQuitsOnSigterm() {
#ifndef Q_OS_UNIX
    QSKIP("SIGTERM is a Unix signal");
#endif
    QProcess program;
    program.start(QStringLiteral(KVD_BINARY_DIR "/rcon-sim"),
                  {QStringLiteral("--server"), QStringLiteral("Alpha Island::pw1"),
                   QStringLiteral("--server"), QStringLiteral("Beta"), QStringLiteral("--players"),
                   QStringLiteral("2"), QStringLiteral("--churn"), QStringLiteral("0"),
                   QStringLiteral("--fault"), QStringLiteral("Beta=refuse-login")});
    QVERIFY(program.waitForStarted());

    QStringList serverLines;
    QTRY_VERIFY((serverLines += QString::fromUtf8(program.readAllStandardOutput())
                                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                    .size() >= 2);
    const QRegularExpression line(
        QStringLiteral("^server: (.+)  host: 127\\.0\\.0\\.1  port: (\\d+)  password: (.*)$"));
    const QRegularExpressionMatch alpha = line.match(serverLines[0]);
    const QRegularExpressionMatch beta = line.match(serverLines[1]);
    QVERIFY2(alpha.hasMatch() && beta.hasMatch(), qPrintable(serverLines.join(QLatin1Char('|'))));
    QCOMPARE(alpha.captured(1), QStringLiteral("Alpha Island"));
    QCOMPARE(alpha.captured(3), QStringLiteral("pw1"));
    QCOMPARE(beta.captured(3), QStringLiteral("secret"));

    RconChannel channel(PollCycle::channelProfile());
    QSignalSpy completed(&channel, &RconChannel::completed);
    channel.openchannel(QStringLiteral("127.0.0.1"), alpha.captured(2), QStringLiteral("pw1"),
                        QStringLiteral("listplayers"));
    QVERIFY(completed.wait());
    QCOMPARE(completed.at(0).at(0).toString().count(QStringLiteral(", 7656119")), 2);

    QSignalSpy refused(&channel, &RconChannel::refused);
    channel.openchannel(QStringLiteral("127.0.0.1"), beta.captured(2), QStringLiteral("secret"),
                        QStringLiteral("listplayers"));
    QVERIFY(refused.wait());

    QString printed;
    QTRY_VERIFY((printed += QString::fromUtf8(program.readAllStandardOutput()))
                    .contains(QStringLiteral("Alpha Island <- listplayers\n")));
    QVERIFY(!printed.contains(QStringLiteral("Beta <- ")));

    program.terminate();
    QVERIFY(program.waitForFinished(5000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestSim)
#include "tst_sim.moc"
