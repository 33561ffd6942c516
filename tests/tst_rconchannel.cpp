#include "base/Intervals.h"
#include "chat/BackgroundWatch.h"
#include "chat/ChatSession.h"
#include "commands/CommandSender.h"
#include "monitor/PollCycle.h"
#include "rcon/RconChannel.h"
#include "rcon/RequestCounter.h"

#include "SimServer.h"
#include "TestPorts.h"

#include <QtTest>

#include <memory>

namespace {

// The four owners of a channel, each with the profile it gives its channel.
enum class Owner { Poll, Command, Chat, BackgroundChat };

ChannelProfile profileOf(Owner owner) {
    switch (owner) {
    case Owner::Poll:
        return PollCycle::channelProfile();
    case Owner::Command:
        return CommandSender::channelProfile();
    case Owner::Chat:
        return ChatSession::channelProfile();
    case Owner::BackgroundChat:
        return BackgroundWatch::channelProfile();
    }
    return ChannelProfile();
}

QString playerLines(const QList<SimServer::Player> &players) {
    QString text = QStringLiteral("\n");
    for (qsizetype i = 0; i < players.size(); ++i)
        text += QStringLiteral("%1. %2, %3\n").arg(i).arg(players[i].name, players[i].steamId);
    return text;
}

} // namespace

class TestRconChannel : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loginThenCommandIsAnswered();
    void commandChannelCountsOnItsOwn();
    void fourChannelsNeverShareAConnection();
    void unusualServersStillLogIn_data();
    void unusualServersStillLogIn();
    void wrongPasswordIsRefused_data();
    void wrongPasswordIsRefused();
    void splitResponseArrivesWhole_data();
    void splitResponseArrivesWhole();
    void shortBodyEndsResponseAtOnce();
    void overlongAnswerIsCutAtTheCap_data();
    void overlongAnswerIsCutAtTheCap();
    void brokenAnswersFailTheRead_data();
    void brokenAnswersFailTheRead();
    void peerClosingIdleChannelIsReadFailure();
    void connectFailuresAreClassified_data();
    void connectFailuresAreClassified();
    void ownConnectTimeoutGivesTimeout();
    void oneRequestInFlightPerChannel();
    void closedChannelStaysSilent();
    void lateResultNeverReachesNextOpen();
    void sendOnClosedChannelFails();

private:
    std::unique_ptr<SimServer> m_server;
};

void TestRconChannel::init() {
    Intervals::instance() = Intervals();
    m_server = std::make_unique<SimServer>(QStringLiteral("Alpha"), QStringLiteral("secret"));
    QVERIFY(m_server->start());
    m_server->addPlayer(QStringLiteral("J\u00f6rg, the Tamer"),
                        QStringLiteral("76561198000000042"));
    m_server->addPlayer(QStringLiteral("Dr. Rex, Jr."), QStringLiteral("76561198000000043"));
}

void TestRconChannel::cleanup() {
    m_server.reset();
}

void TestRconChannel::loginThenCommandIsAnswered() {
    RconChannel channel(profileOf(Owner::Poll));
    QSignalSpy completed(&channel, &RconChannel::completed);
    QSignalSpy accepted(&channel, &RconChannel::loginAccepted);
    const qint32 before = RequestId().value();

    channel.openchannel(QStringLiteral("localhost"), m_server->portText(), QStringLiteral("secret"),
                        QStringLiteral("listplayers"));
    QVERIFY(completed.wait());
    QCOMPARE(accepted.count(), 1);
    // UTF-8 from the server arrives as its characters.
    QCOMPARE(completed.at(0).at(0).toString(), playerLines(m_server->players()));
    QCOMPARE(completed.at(0).at(1).toString(), QStringLiteral("listplayers"));
    QCOMPARE(channel.state(), RconChannel::State::Ready);

    const QList<SimServer::ReceivedPacket> packets = m_server->receivedPackets();
    QCOMPARE(packets.size(), 2);
    QCOMPARE(packets[0].type, 3);
    QCOMPARE(packets[0].body, QByteArray("secret"));
    QCOMPARE(packets[0].id, before + 1);
    QCOMPARE(packets[1].type, 2);
    QCOMPARE(packets[1].body, QByteArray("listplayers"));
    QCOMPARE(packets[1].id, before + 2);
}

void TestRconChannel::commandChannelCountsOnItsOwn() {
    RconChannel channel(profileOf(Owner::Command));
    QSignalSpy completed(&channel, &RconChannel::completed);
    const qint32 shared = RequestId().value();
    const qint32 own = CommandRequestId().value();

    channel.openchannel(m_server->host(), m_server->portText(), QStringLiteral("secret"),
                        QStringLiteral("SetMessageOfTheDay Grüße"));
    QVERIFY(completed.wait());
    QCOMPARE(RequestId().value(), shared);
    QCOMPARE(CommandRequestId().value(), own + 2);
    QCOMPARE(m_server->receivedPackets().at(1).id, own + 2);
    // Non-ASCII leaves as "?".
    QCOMPARE(m_server->commands(), QStringList{QStringLiteral("SetMessageOfTheDay Gr??e")});
}

void TestRconChannel::fourChannelsNeverShareAConnection() {
    // Each owner keeps its own channel: the poll cycle, the command sender, the chat, the watch.
    RconChannel poll(profileOf(Owner::Poll));
    RconChannel command(profileOf(Owner::Command));
    RconChannel chat(profileOf(Owner::Chat));
    RconChannel background(profileOf(Owner::BackgroundChat));
    const QList<RconChannel *> all{&poll, &command, &chat, &background};
    const QStringList commands{QStringLiteral("listplayers"), QStringLiteral("saveworld"),
                               QStringLiteral("Getchat"), QStringLiteral("GetGameLog")};
    QList<QString> answeredCommands;
    for (qsizetype i = 0; i < all.size(); ++i) {
        connect(
            all[i], &RconChannel::completed, this,
            [&](const QString &, const QString &answered) { answeredCommands.append(answered); });
        all[i]->openchannel(m_server->host(), m_server->portText(), QStringLiteral("secret"),
                            commands[i]);
    }
    QTRY_COMPARE(answeredCommands.size(), 4);
    QCOMPARE(QSet<QString>(answeredCommands.cbegin(), answeredCommands.cend()),
             QSet<QString>(commands.cbegin(), commands.cend()));
    QCOMPARE(m_server->connectionCount(), 4);

    for (RconChannel *channel : all) {
        channel->closechannel();
        QVERIFY(!channel->isOpen());
    }
}

void TestRconChannel::unusualServersStillLogIn_data() {
    QTest::addColumn<int>("fault");
    QTest::newRow("empty response value before auth response") << int(SimServer::EmptyBeforeAuth);
    QTest::newRow("auth response with another id") << int(SimServer::AuthIdMismatch);
    QTest::newRow("type 4 packet before the answer") << int(SimServer::UnknownTypeFirst);
    QTest::newRow("all three") << int(SimServer::EmptyBeforeAuth | SimServer::AuthIdMismatch |
                                      SimServer::UnknownTypeFirst);
}

void TestRconChannel::unusualServersStillLogIn() {
    QFETCH(int, fault);
    m_server->setFaults(SimServer::Faults(fault));
    RconChannel channel(profileOf(Owner::Poll));
    QSignalSpy completed(&channel, &RconChannel::completed);
    channel.openchannel(m_server->host(), m_server->portText(), QStringLiteral("secret"),
                        QStringLiteral("listplayers"));
    QVERIFY(completed.wait());
    QTest::qWait(50);
    QCOMPARE(completed.count(), 1);
    QCOMPARE(completed.at(0).at(0).toString(), playerLines(m_server->players()));
}

void TestRconChannel::wrongPasswordIsRefused_data() {
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("refuseFault");
    QTest::newRow("wrong password") << QStringLiteral("guess") << false;
    QTest::newRow("server refuses") << QStringLiteral("secret") << true;
    QTest::newRow("umlaut sent as question mark") << QStringLiteral("s\u00e9cret") << false;
}

void TestRconChannel::wrongPasswordIsRefused() {
    QFETCH(QString, password);
    QFETCH(bool, refuseFault);
    m_server->setFault(SimServer::RefuseLogin, refuseFault);
    m_server->setFault(SimServer::EmptyBeforeAuth);
    RconChannel channel(profileOf(Owner::Poll));
    QSignalSpy refused(&channel, &RconChannel::refused);
    QSignalSpy completed(&channel, &RconChannel::completed);
    channel.openchannel(m_server->host(), m_server->portText(), password,
                        QStringLiteral("listplayers"));
    QVERIFY(refused.wait());
    QCOMPARE(channel.state(), RconChannel::State::Closed);
    QTest::qWait(50);
    QCOMPARE(completed.count(), 0);
    QVERIFY(m_server->commands().isEmpty());
}

void TestRconChannel::splitResponseArrivesWhole_data() {
    QTest::addColumn<int>("gapMs");
    QTest::newRow("all packets in one segment") << 0;
    QTest::newRow("packets 100 ms apart") << 100;
}

void TestRconChannel::splitResponseArrivesWhole() {
    QFETCH(int, gapMs);
    for (int i = 0; i < 300; ++i)
        m_server->addPlayer(QStringLiteral("Player, No. %1").arg(i));
    const QString expected = playerLines(m_server->players());
    QVERIFY(expected.toUtf8().size() > 2 * 4096);
    m_server->setFault(SimServer::SplitAnswer);
    m_server->setSplitGapMs(gapMs);

    RconChannel channel(profileOf(Owner::Poll));
    QSignalSpy completed(&channel, &RconChannel::completed);
    channel.openchannel(m_server->host(), m_server->portText(), QStringLiteral("secret"),
                        QStringLiteral("listplayers"));
    QVERIFY(completed.wait(3000));
    QCOMPARE(completed.at(0).at(0).toString(), expected);
    QTest::qWait(400);
    QCOMPARE(completed.count(), 1);
}

void TestRconChannel::shortBodyEndsResponseAtOnce() {
    // Packets shorter than 4000 bytes are whole answers: no wait for more.
    m_server->setFault(SimServer::SplitAnswer);
    m_server->setSplitSize(40);
    m_server->setSplitGapMs(1000);
    RconChannel channel(profileOf(Owner::Chat));
    QSignalSpy completed(&channel, &RconChannel::completed);
    channel.openchannel(m_server->host(), m_server->portText(), QStringLiteral("secret"),
                        QStringLiteral("listplayers"));
    QVERIFY(completed.wait(900));
    QCOMPARE(completed.at(0).at(0).toString(),
             QString::fromUtf8(playerLines(m_server->players()).toUtf8().left(40)));
}

void TestRconChannel::overlongAnswerIsCutAtTheCap_data() {
    QTest::addColumn<int>("over");
    QTest::addColumn<int>("splitSize");
    QTest::addColumn<int>("gapMs");
    QTest::newRow("exactly the cap") << 0 << 4096 << 0;
    QTest::newRow("past the cap, in one segment") << 100000 << 4096 << 0;
    QTest::newRow("past the cap, packets 20 ms apart") << 300000 << 512 * 1024 << 20;
}

void TestRconChannel::overlongAnswerIsCutAtTheCap() {
    QFETCH(int, over);
    QFETCH(int, splitSize);
    QFETCH(int, gapMs);
    // Game-log lines of 100 bytes with their line feed, the last one longer, up to the size.
    const qsizetype size = RconChannel::MaximumResponseBytes + over;
    const QDateTime stamp(QDate(2017, 1, 5), QTime(9, 8, 7));
    const qsizetype lines = size / 100;
    for (qsizetype i = 0; i < lines; ++i) {
        const int length = 78 + (i == lines - 1 ? int(size % 100) : 0);
        m_server->appendGameLog(QStringLiteral("%1").arg(i, length, 10, QLatin1Char('.')), stamp);
    }
    const QString answer = m_server->gameLog().join(QLatin1Char('\n')) + QLatin1Char('\n');
    QCOMPARE(answer.size(), size);
    m_server->setFault(SimServer::SplitAnswer);
    m_server->setSplitSize(splitSize);
    m_server->setSplitGapMs(gapMs);

    if (over > 0) {
        QTest::ignoreMessage(QtWarningMsg,
                             qPrintable(QStringLiteral("Answer longer than 4194304 bytes: the last "
                                                       "%1 bytes were dropped (Read3o)")
                                            .arg(over)));
    } else {
        QTest::failOnWarning(QRegularExpression(QStringLiteral("dropped")));
    }
    RconChannel channel(profileOf(Owner::Chat));
    QSignalSpy completed(&channel, &RconChannel::completed);
    channel.openchannel(m_server->host(), m_server->portText(), QStringLiteral("secret"),
                        QStringLiteral("GetGameLog"));
    QVERIFY(completed.wait(10000));
    const QString body = completed.at(0).at(0).toString();
    QCOMPARE(body.size(), RconChannel::MaximumResponseBytes);
    QVERIFY(body == answer.left(RconChannel::MaximumResponseBytes));

    // The dropped rest is never taken for the answer to the next command.
    m_server->appendChat(QStringLiteral("Bob (Rex): hi"));
    channel.sendcommand(QStringLiteral("Getchat"));
    QVERIFY(completed.wait(10000));
    QCOMPARE(completed.size(), 2);
    QCOMPARE(completed.at(1).at(0).toString(), QStringLiteral("Bob (Rex): hi\n"));
}

void TestRconChannel::brokenAnswersFailTheRead_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("fault");
    QTest::addColumn<QString>("readEntry");
    QTest::addColumn<QString>("tickEntry");

    QTest::newRow("oversized size field") << int(Owner::Poll) << int(SimServer::OversizedSize)
                                          << QStringLiteral("Packet size 67108864 exceeds the "
                                                            "limit of 1048576 bytes (Read1)")
                                          << QStringLiteral("(Timer1_s)");
    QTest::newRow("garbage") << int(Owner::Command) << int(SimServer::Garbage)
                             << QStringLiteral("Packet size 1347703880 exceeds the limit of "
                                               "1048576 bytes (Read2o)")
                             << QStringLiteral("(Timer10_s)");
    QTest::newRow("peer closes mid-packet")
        << int(Owner::Chat) << int(SimServer::CloseMidPacket)
        << QStringLiteral("The remote host closed the connection (Read3o)")
        << QStringLiteral("The remote host closed the connection (Timer7_s)");
}

void TestRconChannel::brokenAnswersFailTheRead() {
    QFETCH(int, kind);
    QFETCH(int, fault);
    QFETCH(QString, readEntry);
    QFETCH(QString, tickEntry);
    m_server->setFaults(SimServer::Faults(fault));

    RconChannel channel(profileOf(static_cast<Owner>(kind)));
    QSignalSpy failed(&channel, &RconChannel::readFailed);
    QSignalSpy completed(&channel, &RconChannel::completed);
    QTest::ignoreMessage(QtWarningMsg, qPrintable(readEntry));
    QTest::ignoreMessage(QtWarningMsg, qPrintable(tickEntry));
    channel.openchannel(m_server->host(), m_server->portText(), QStringLiteral("secret"),
                        QStringLiteral("listplayers"));
    QVERIFY(failed.wait());
    QCOMPARE(channel.state(), RconChannel::State::Closed);
    QTest::qWait(50);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(completed.count(), 0);
}

void TestRconChannel::peerClosingIdleChannelIsReadFailure() {
    RconChannel channel(profileOf(Owner::BackgroundChat));
    QSignalSpy completed(&channel, &RconChannel::completed);
    QSignalSpy failed(&channel, &RconChannel::readFailed);
    channel.openchannel(m_server->host(), m_server->portText(), QStringLiteral("secret"),
                        QStringLiteral("GetGameLog"));
    QVERIFY(completed.wait());
    QTest::ignoreMessage(QtWarningMsg, "The remote host closed the connection (Read4o)");
    QTest::ignoreMessage(QtWarningMsg, "The remote host closed the connection (Timer12_s)");
    m_server->stop();
    QVERIFY(failed.wait());
    QVERIFY(!channel.isOpen());
}

void TestRconChannel::connectFailuresAreClassified_data() {
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("entry");

    QTest::newRow("refused port") << QStringLiteral("127.0.0.1") << closedPort() << 2 << QString();
    QTest::newRow("unresolvable name")
        << QStringLiteral("no-such-host.invalid") << QStringLiteral("27015") << 3 << QString();
    QTest::newRow("port text not a number")
        << QStringLiteral("127.0.0.1") << QStringLiteral("27o15") << 4
        << QStringLiteral("port 27o15 is not a valid port (Thread)");
    QTest::newRow("port out of range")
        << QStringLiteral("127.0.0.1") << QStringLiteral("70000") << 4
        << QStringLiteral("port 70000 is not a valid port (Thread)");
}

void TestRconChannel::connectFailuresAreClassified() {
    QFETCH(QString, host);
    QFETCH(QString, port);
    QFETCH(int, code);
    QFETCH(QString, entry);

    RconChannel channel(profileOf(Owner::Poll));
    QSignalSpy failed(&channel, &RconChannel::connectFailed);
    if (!entry.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, qPrintable(entry));
    channel.openchannel(host, port, QStringLiteral("secret"), QStringLiteral("listplayers"));
    // Never inside the caller's own call.
    QCOMPARE(failed.count(), 0);
    QVERIFY(failed.wait(10000));
    QCOMPARE(int(failed.at(0).at(0).value<StatusCode>()), code);
    QVERIFY(!failed.at(0).at(1).toString().isEmpty());
    QVERIFY(!channel.isOpen());
}

void TestRconChannel::ownConnectTimeoutGivesTimeout() {
    // A listener with a full backlog never completes the connect.
    m_server->setFault(SimServer::StallConnect);
    Intervals::instance().pollConnectTimeoutMs = 300;
    RconChannel channel(profileOf(Owner::Poll));
    QSignalSpy failed(&channel, &RconChannel::connectFailed);
    QElapsedTimer clock;
    clock.start();
    channel.openchannel(m_server->host(), m_server->portText(), QStringLiteral("secret"),
                        QStringLiteral("listplayers"));
    QVERIFY(failed.wait(5000));
    QCOMPARE(failed.at(0).at(0).value<StatusCode>(), StatusCode::Timeout);
    QVERIFY(clock.elapsed() >= 250);
    QVERIFY(m_server->commands().isEmpty());
}

void TestRconChannel::oneRequestInFlightPerChannel() {
    m_server->setFault(SimServer::DelayAnswer);
    m_server->setAnswerDelayMs(60);
    RconChannel channel(profileOf(Owner::Chat));
    QList<int> answeredWhenReceived;
    QSignalSpy completed(&channel, &RconChannel::completed);
    connect(m_server.get(), &SimServer::commandReceived, this,
            [&] { answeredWhenReceived.append(int(completed.count())); });

    channel.openchannel(m_server->host(), m_server->portText(), QStringLiteral("secret"),
                        QStringLiteral("Getchat"));
    channel.sendcommand(QStringLiteral("ServerChat (Admin): hello"));
    channel.sendcommand(QStringLiteral("Getchat"));
    QTRY_COMPARE(completed.count(), 3);
    QCOMPARE(answeredWhenReceived, (QList<int>{0, 1, 2}));
    QCOMPARE(completed.at(1).at(1).toString(), QStringLiteral("ServerChat (Admin): hello"));
    QCOMPARE(completed.at(2).at(0).toString(), QStringLiteral("SERVER: (Admin): hello\n"));
}

void TestRconChannel::closedChannelStaysSilent() {
    m_server->setFault(SimServer::DelayAnswer);
    m_server->setAnswerDelayMs(100);
    RconChannel channel(profileOf(Owner::Command));
    QSignalSpy completed(&channel, &RconChannel::completed);
    QSignalSpy readFailed(&channel, &RconChannel::readFailed);
    channel.openchannel(m_server->host(), m_server->portText(), QStringLiteral("secret"),
                        QStringLiteral("saveworld"));
    QSignalSpy received(m_server.get(), &SimServer::commandReceived);
    QVERIFY(received.wait());
    channel.closechannel();
    channel.closechannel();
    QTest::qWait(300);
    QCOMPARE(completed.count(), 0);
    QCOMPARE(readFailed.count(), 0);
}

void TestRconChannel::lateResultNeverReachesNextOpen() {
    SimServer slow(QStringLiteral("Slow"), QStringLiteral("secret"));
    QVERIFY(slow.start());
    slow.setFault(SimServer::DelayAnswer);
    slow.setAnswerDelayMs(100);
    slow.addPlayer(QStringLiteral("Late Player"));

    RconChannel channel(profileOf(Owner::Poll));
    QSignalSpy completed(&channel, &RconChannel::completed);
    QSignalSpy connectFailed(&channel, &RconChannel::connectFailed);

    // A visit whose connect fails, replaced before the failure is reported.
    channel.openchannel(QStringLiteral("127.0.0.1"), closedPort(), QStringLiteral("secret"),
                        QStringLiteral("listplayers"));
    channel.openchannel(slow.host(), slow.portText(), QStringLiteral("secret"),
                        QStringLiteral("listplayers"));
    QSignalSpy slowReceived(&slow, &SimServer::commandReceived);
    QVERIFY(slowReceived.wait());
    // The slow server's answer is still on its way when the next visit starts.
    channel.openchannel(m_server->host(), m_server->portText(), QStringLiteral("secret"),
                        QStringLiteral("listplayers"));
    QVERIFY(completed.wait());
    QTest::qWait(300);
    QCOMPARE(completed.count(), 1);
    QCOMPARE(completed.at(0).at(0).toString(), playerLines(m_server->players()));
    QCOMPARE(connectFailed.count(), 0);
}

void TestRconChannel::sendOnClosedChannelFails() {
    RconChannel channel(profileOf(Owner::Chat));
    QSignalSpy failed(&channel, &RconChannel::sendFailed);
    QTest::ignoreMessage(QtWarningMsg, "The channel is not open (Timer3,getgamelog/chat)");
    channel.sendcommand(QStringLiteral("Broadcast hi"));
    QCOMPARE(failed.count(), 0);
    QVERIFY(failed.wait());
    QCOMPARE(failed.at(0).at(1).toString(), QStringLiteral("Broadcast hi"));
}

QTEST_GUILESS_MAIN(TestRconChannel)
#include "tst_rconchannel.moc"
