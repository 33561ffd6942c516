// Player tracking without a network: the split of "listplayers" answers, the records with their
// log lines and notifications, departures, the player list and its online ticker.
#include "base/Clock.h"
#include "base/Intervals.h"
#include "monitor/PlayerLines.h"
#include "monitor/PlayerListModel.h"
#include "monitor/PlayerTracker.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QtTest>

namespace {
const QString kAnna = QStringLiteral("76561198000000001");
const QString kBob = QStringLiteral("76561198000000002");
const QString kCid = QStringLiteral("76561198000000003");
// EOS ids of the newer edition: 32 hexadecimal digits, kept in the case the server sends.
const QString kEosDora = QStringLiteral("0002a1b2c3d4e5f60718293a4b5c6d7e");
const QString kEosEmil = QStringLiteral("0002a1b2c3d4e5f6071829FFFFFFFFFF"); // same first 22
const QString kEosFinn = QStringLiteral("00020000000000000000000000000001");

QString line(int index, const QString &name, const QString &id) {
    return QStringLiteral("%1. %2, %3").arg(index).arg(name, id);
}

// A tracker whose clock the test moves.
struct Tracked {
    QDateTime now{QDate(2024, 3, 1), QTime(12, 0, 0)};
    PlayerTracker tracker;
    QStringList messages;
    QStringList notifications;
    Tracked() {
        Clock::setSource([this] { return now; });
        QObject::connect(&tracker, &PlayerTracker::message,
                         [this](const QString &text) { messages << text; });
        QObject::connect(&tracker, &PlayerTracker::notificationRaised,
                         [this](const QString &text) { notifications << text; });
    }
    ~Tracked() { Clock::reset(); }
    Tracked(const Tracked &) = delete;
    Tracked &operator=(const Tracked &) = delete;
    // One processed answer: record, leaves, signature check.
    void visit(const QString &server, const QStringList &lines, bool firstPass = false,
               bool wasOnline = true) {
        tracker.record(server, lines, firstPass, wasOnline);
        tracker.detectLeaves(server, lines, firstPass);
        tracker.checkSignature(firstPass);
    }
};
} // namespace

class TestPlayerTracker : public QObject {
    Q_OBJECT

private slots:
    void splitFindsPlayerLines_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("lines");
        const QString a = line(0, QStringLiteral("Anna"), kAnna);
        const QString b = line(1, QStringLiteral("Bob, the Great"), kBob);
        QTest::newRow("two lines")
            << QStringLiteral("\n") + a + QStringLiteral("\n") + b + QStringLiteral("\n")
            << QStringList{a, b};
        QTest::newRow("last line without its line feed")
            << QStringLiteral("\n") + a + QStringLiteral("\n") + b << QStringList{a, b};
        QTest::newRow("short remainder ignored")
            << QStringLiteral("\n") + a + QStringLiteral("\n ") << QStringList{a};
        QTest::newRow("CR LF line ends")
            << QStringLiteral("\r\n") + a + QStringLiteral("\r\n") + b + QStringLiteral("\r\n")
            << QStringList{a, b};
        QTest::newRow("CR LF, trailing blanks and the padding")
            << QStringLiteral("\r\n") + a + QStringLiteral("  \r\n") + b + QStringLiteral("\r\n\n ")
            << QStringList{a, b};
    }
    void splitFindsPlayerLines() {
        QFETCH(QString, answer);
        QFETCH(QStringList, lines);
        QVERIFY(PlayerLines::isPlayerList(answer));
        QCOMPARE(PlayerLines::split(answer), lines);
    }

    void parseTakesTheLastCommaAsSeparator_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("id");
        QTest::newRow("plain") << line(0, QStringLiteral("Anna"), kAnna) << true
                               << QStringLiteral("Anna") << kAnna;
        QTest::newRow("commas and dots in the name")
            << line(12, QStringLiteral("Dr. Bob, the Great"), kBob) << true
            << QStringLiteral("Dr. Bob, the Great") << kBob;
        QTest::newRow("carriage return after the id")
            << line(0, QStringLiteral("Anna"), kAnna) + '\r' << true << QStringLiteral("Anna")
            << kAnna;
        QTest::newRow("blanks after the id")
            << line(0, QStringLiteral("Anna"), kAnna) + QStringLiteral("  ") << true
            << QStringLiteral("Anna") << kAnna;
        QTest::newRow("EOS id, whole") << line(0, QStringLiteral("Dora"), kEosDora) << true
                                       << QStringLiteral("Dora") << kEosDora;
        QTest::newRow("EOS id in capitals, as received")
            << line(3, QStringLiteral("Dora"), kEosDora.toUpper()) << true << QStringLiteral("Dora")
            << kEosDora.toUpper();
        QTest::newRow("EOS id, name with brackets and question marks")
            << line(7, QStringLiteral("[TRB] ?? Dora (the 2nd)"), kEosEmil) << true
            << QStringLiteral("[TRB] ?? Dora (the 2nd)") << kEosEmil;
        QTest::newRow("anonymised line")
            << QStringLiteral("0. x, x") << false << QString() << QString();
        QTest::newRow("16 digits")
            << line(0, QStringLiteral("Anna"), kAnna.left(16)) << false << QString() << QString();
        QTest::newRow("18 digits")
            << line(0, QStringLiteral("Anna"), kAnna + '7') << false << QString() << QString();
        QTest::newRow("17 characters with a letter")
            << line(0, QStringLiteral("Anna"), QStringLiteral("7656119800000000a")) << false
            << QString() << QString();
        QTest::newRow("31 hexadecimal digits") << line(0, QStringLiteral("Dora"), kEosDora.left(31))
                                               << false << QString() << QString();
        QTest::newRow("32 characters, not all hexadecimal")
            << line(0, QStringLiteral("Dora"), kEosDora.left(31) + 'g') << false << QString()
            << QString();
        QTest::newRow("text after the id")
            << line(0, QStringLiteral("Anna"), kAnna + QStringLiteral(" (admin)")) << false
            << QString() << QString();
        QTest::newRow("empty name")
            << QStringLiteral("0. , ") + kAnna << true << QString() << kAnna;
        QTest::newRow("no comma") << QStringLiteral("0. Anna 76561198000000001") << false
                                  << QString() << QString();
        QTest::newRow("nothing after the comma")
            << QStringLiteral("0. Anna, the Great,") << false << QString() << QString();
    }
    void parseTakesTheLastCommaAsSeparator() {
        QFETCH(QString, line);
        QFETCH(bool, ok);
        QFETCH(QString, name);
        QFETCH(QString, id);
        QString gotName;
        QString gotId;
        QCOMPARE(PlayerLines::parse(line, &gotName, &gotId), ok);
        if (!ok)
            return;
        QCOMPARE(gotName, name);
        QCOMPARE(gotId, id);
    }

    // Answers as real servers of both editions send them, visited one after another: the
    // records they leave behind, each player once by the whole id.
    void realAnswersOfBothEditions_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("ids");
        QTest::newRow("older edition, LF")
            << QStringLiteral("\n0. Anna, 76561198000000001\n1. Bob, the Great, "
                              "76561198000000002\n")
            << QStringList{"Anna", "Bob, the Great"} << QStringList{kAnna, kBob};
        QTest::newRow("older edition, CR LF with padding")
            << QStringLiteral("\r\n0. Anna, 76561198000000001\r\n1. Bob, the Great, "
                              "76561198000000002 \r\n\n ")
            << QStringList{"Anna", "Bob, the Great"} << QStringList{kAnna, kBob};
        QTest::newRow("newer edition, EOS ids")
            << QStringLiteral("\n0. Dora, 0002a1b2c3d4e5f60718293a4b5c6d7e\n1. [TRB] Emil ?, "
                              "0002a1b2c3d4e5f6071829FFFFFFFFFF\n ")
            << QStringList{"Dora", "[TRB] Emil ?"} << QStringList{kEosDora, kEosEmil};
        QTest::newRow("newer edition, CR LF")
            << QStringLiteral("\r\n0. Dora, 0002a1b2c3d4e5f60718293a4b5c6d7e\r\n1. Finn  "
                              "Fish, 00020000000000000000000000000001\r\n")
            << QStringList{"Dora", "Finn  Fish"} << QStringList{kEosDora, kEosFinn};
        QTest::newRow("anonymised players are none")
            << QStringLiteral("\n0. x, x\n1. x, x\n") << QStringList{} << QStringList{};
        QTest::newRow("a real line among anonymised ones")
            << QStringLiteral("\n0. x, x\n1. Dora, 0002a1b2c3d4e5f60718293a4b5c6d7e\n")
            << QStringList{"Dora"} << QStringList{kEosDora};
    }
    void realAnswersOfBothEditions() {
        QFETCH(QString, answer);
        QFETCH(QStringList, names);
        QFETCH(QStringList, ids);
        Tracked t;
        QVERIFY(PlayerLines::isPlayerList(answer));
        const QStringList lines = PlayerLines::split(answer);
        for (const QString &playerLine : lines)
            QVERIFY2(!playerLine.contains(QLatin1Char('\r')), qPrintable(playerLine));
        t.visit(QStringLiteral("A"), lines);
        QStringList gotNames;
        QStringList gotIds;
        for (const PlayerRecord &record : t.tracker.records()) {
            gotNames << record.name;
            gotIds << record.steamId;
        }
        QCOMPARE(gotNames, names);
        QCOMPARE(gotIds, ids);
        for (int i = 0; i < ids.size(); ++i) {
            QCOMPARE(t.messages.at(i), QStringLiteral("Player: `") + names.at(i) +
                                           QStringLiteral("\u00b4 (") + ids.at(i) +
                                           QStringLiteral(") joined @ `A\u00b4"));
        }
        // The same answer again is the same players: nobody leaves, nobody joins.
        t.visit(QStringLiteral("A"), PlayerLines::split(answer));
        QCOMPARE(t.messages.size(), ids.size());
    }

    void eosPlayersAreKeptApartByTheWholeId() {
        Tracked t;
        // Dora and Emil share their first 22 digits: a key cut short would make them one.
        t.visit(QStringLiteral("A"), {line(0, QStringLiteral("Dora"), kEosDora),
                                      line(1, QStringLiteral("Emil"), kEosEmil)});
        QCOMPARE(t.tracker.recordCount(), 2);
        t.now = t.now.addSecs(90);
        t.visit(QStringLiteral("A"), {line(0, QStringLiteral("Emil"), kEosEmil)});
        QCOMPARE(t.tracker.recordCount(), 1);
        QCOMPARE(t.tracker.record(0).steamId, kEosEmil);
        QCOMPARE(t.messages.constLast(), QStringLiteral("Player: `Dora\u00b4 (") + kEosDora +
                                             QStringLiteral(") has left `A\u00b4 - Duration "
                                                            "{00:01:30}"));
    }

    void clockSetBackLogsAStayOfNothing() {
        Intervals::instance().onlineTickerMs = 20;
        Tracked t;
        PlayerListModel model(&t.tracker);
        t.visit(QStringLiteral("A"),
                {line(0, QStringLiteral("Anna"), kAnna), line(1, QStringLiteral("Bob"), kBob)});
        // The computer's clock goes back an hour while both play.
        t.now = t.now.addSecs(-3600);
        QTRY_COMPARE(model.index(0, PlayerListModel::OnlineColumn).data().toString(),
                     QStringLiteral("00:00:00"));
        const QRegularExpression entry(QStringLiteral(
            "^Stay ends before its join stamp 240301-120000 \\(clock set back\\).*"));
        QTest::ignoreMessage(QtWarningMsg, entry);
        t.visit(QStringLiteral("A"), {line(1, QStringLiteral("Bob"), kBob)});
        QCOMPARE(t.messages.constLast(), QStringLiteral("Player: `Anna\u00b4 (") + kAnna +
                                             QStringLiteral(") has left `A\u00b4 - Duration "
                                                            "{00:00:00}"));
        QTest::ignoreMessage(QtWarningMsg, entry);
        QCOMPARE(model.programExitLines(),
                 QStringList{QStringLiteral("Program exit: `Bob\u00b4 (") + kBob +
                             QStringLiteral(") has played @ `A\u00b4 - Duration {00:00:00}")});
    }

    void IsNumChecksBothHalves_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        QTest::newRow("steam id") << kAnna << true;
        QTest::newRow("letter in the first half") << QStringLiteral("7656119x000000001") << false;
        QTest::newRow("letter in the second half") << QStringLiteral("765611980000000x1") << false;
        QTest::newRow("shared ninth character") << QStringLiteral("76561198x00000001") << false;
        QTest::newRow("too short for the second half") << QStringLiteral("76561198") << false;
        QTest::newRow("empty") << QString() << false;
    }
    void IsNumChecksBothHalves() {
        QFETCH(QString, text);
        QFETCH(bool, expected);
        QCOMPARE(PlayerLines::IsNum(text), expected);
    }

    void durationIsATimeOfDay_data() {
        QTest::addColumn<QDateTime>("join");
        QTest::addColumn<QDateTime>("now");
        QTest::addColumn<QString>("text");
        const QDate day(2024, 3, 1);
        QTest::newRow("minutes") << QDateTime(day, QTime(12, 0, 0))
                                 << QDateTime(day, QTime(13, 2, 3)) << QStringLiteral("01:02:03");
        QTest::newRow("over midnight")
            << QDateTime(day, QTime(23, 59, 50)) << QDateTime(day.addDays(1), QTime(0, 0, 10))
            << QStringLiteral("00:00:20");
        QTest::newRow("25 hours drop the day")
            << QDateTime(day, QTime(10, 0, 0)) << QDateTime(day.addDays(1), QTime(11, 0, 0))
            << QStringLiteral("01:00:00");
        QTest::newRow("fraction of a second")
            << QDateTime(day, QTime(10, 0, 0)) << QDateTime(day, QTime(10, 0, 1, 999))
            << QStringLiteral("00:00:01");
    }
    void durationIsATimeOfDay() {
        QFETCH(QDateTime, join);
        QFETCH(QDateTime, now);
        QFETCH(QString, text);
        QCOMPARE(PlayerLines::durationText(join, now), text);
    }

    void firstPassRecordsPlayingQuietly() {
        Tracked t;
        QSignalSpy counts(&t.tracker, &PlayerTracker::playerCountChanged);
        QSignalSpy online(&t.tracker, &PlayerTracker::playersOnlineChanged);
        t.visit(QStringLiteral("A"),
                {line(0, QStringLiteral("Anna"), kAnna), line(1, QStringLiteral("Bob"), kBob),
                 line(2, QStringLiteral("Cid"), kCid)},
                true);
        QCOMPARE(t.messages,
                 (QStringList{QStringLiteral("Player: `Anna´ (76561198000000001) playing @ `A´"),
                              QStringLiteral("Player: `Bob´ (76561198000000002) playing @ `A´"),
                              QStringLiteral("Player: `Cid´ (76561198000000003) playing @ `A´")}));
        QVERIFY(t.notifications.isEmpty());
        QCOMPARE(counts.count(), 0);
        QCOMPARE(online.count(), 1);
        QCOMPARE(online.at(0).at(0).toInt(), 3);
        QCOMPARE(t.tracker.lastPlayerCount(), 3);
        QCOMPARE(t.tracker.record(0).joinStamp, QStringLiteral("240301-120000"));
    }

    void joinOnAServerThatWasOnlineIsNotified_data() {
        QTest::addColumn<bool>("wasOnline");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QStringList>("notifications");
        QTest::newRow("already online")
            << true << QStringLiteral("Player: `Anna´ (76561198000000001) joined @ `A´")
            << QStringList{QStringLiteral("`Anna´ joined @ `A´")};
        QTest::newRow("just came back online")
            << false << QStringLiteral("Player: `Anna´ (76561198000000001) playing @ `A´")
            << QStringList{};
    }
    void joinOnAServerThatWasOnlineIsNotified() {
        QFETCH(bool, wasOnline);
        QFETCH(QString, entry);
        QFETCH(QStringList, notifications);
        Tracked t;
        QSignalSpy counts(&t.tracker, &PlayerTracker::playerCountChanged);
        t.visit(QStringLiteral("A"), {line(0, QStringLiteral("Anna"), kAnna)}, false, wasOnline);
        QCOMPARE(t.messages, QStringList{entry});
        QCOMPARE(t.notifications, notifications);
        QCOMPARE(counts.count(), 1);
        QCOMPARE(counts.at(0).at(0).toInt(), 0);
        QCOMPARE(counts.at(0).at(1).toInt(), 1);
        QCOMPARE(counts.at(0).at(2).toBool(), true);
    }

    void moveBetweenServersKeepsOneStay() {
        Tracked t;
        t.visit(QStringLiteral("A"), {line(0, QStringLiteral("Anna"), kAnna)}, true);
        t.messages.clear();
        t.now = t.now.addSecs(90);
        QSignalSpy rebuilt(&t.tracker, &PlayerTracker::playerListRebuilt);
        // The name in B's answer differs: the record keeps the one it was made with.
        t.visit(QStringLiteral("B"), {line(0, QStringLiteral("Anna2"), kAnna)});
        QVERIFY(t.messages.isEmpty());
        QCOMPARE(t.tracker.recordCount(), 1);
        QCOMPARE(t.tracker.record(0).server, QStringLiteral("B"));
        QCOMPARE(t.tracker.record(0).name, QStringLiteral("Anna"));
        QCOMPARE(t.tracker.record(0).joinStamp, QStringLiteral("240301-120000"));
        QCOMPARE(rebuilt.count(), 1); // the server changed, so the list follows

        t.visit(QStringLiteral("A"), {}); // A no longer lists her: not A's player any more
        QVERIFY(t.messages.isEmpty());
        t.now = t.now.addSecs(30);
        t.visit(QStringLiteral("B"), {});
        QCOMPARE(t.messages,
                 QStringList{QStringLiteral("Player: `Anna´ (76561198000000001) has left `B´ - "
                                            "Duration {00:02:00}")});
        QCOMPARE(t.notifications, QStringList{QStringLiteral("`Anna´ has left `B´")});
        QCOMPARE(t.tracker.recordCount(), 0);
    }

    void everyMissingPlayerLeavesWithItsOwnLine() {
        Tracked t;
        t.visit(QStringLiteral("A"),
                {line(0, QStringLiteral("Anna"), kAnna), line(1, QStringLiteral("Bob"), kBob)});
        t.visit(QStringLiteral("B"), {line(0, QStringLiteral("Cid"), kCid)});
        t.messages.clear();
        t.notifications.clear();
        t.now = t.now.addSecs(5);
        t.visit(QStringLiteral("A"), {});
        QCOMPARE(t.messages.size(), 2);
        QVERIFY(t.messages.at(0).startsWith(QStringLiteral("Player: `Anna´")));
        QVERIFY(t.messages.at(1).startsWith(QStringLiteral("Player: `Bob´")));
        QVERIFY(t.messages.at(1).endsWith(QStringLiteral("has left `A´ - Duration {00:00:05}")));
        QCOMPARE(t.tracker.recordCount(), 1);
        QCOMPARE(t.tracker.record(0).name, QStringLiteral("Cid"));
    }

    void departureFromAServerNamedOnlineIsLogged() {
        Tracked t;
        const QString server = QStringLiteral("Online PvP");
        t.visit(server, {line(0, QStringLiteral("Anna"), kAnna)});
        t.messages.clear();
        t.notifications.clear();
        t.visit(server, {});
        QCOMPARE(t.messages.size(), 1);
        QVERIFY(t.messages.at(0).contains(QStringLiteral(") has left `Online PvP´ - Duration {")));
        QCOMPARE(t.notifications, QStringList{QStringLiteral("`Anna´ has left `Online PvP´")});
    }

    // A crowd of others leaving at the same time makes the tracker search the lines another way;
    // the answer must be the same.
    void idInsideAnotherLineCountsAsPresent_data() {
        QTest::addColumn<int>("leaving");
        QTest::newRow("alone") << 0;
        QTest::newRow("while thousands leave") << 3000;
    }
    void idInsideAnotherLineCountsAsPresent() {
        QFETCH(int, leaving);
        Tracked t;
        QStringList first{line(0, QStringLiteral("Anna"), kAnna)};
        for (int i = 0; i < leaving; ++i)
            first << line(i + 1, QStringLiteral("Crowd %1").arg(i),
                          QString::number(76561198100000000LL + i));
        t.visit(QStringLiteral("A"), first);
        t.messages.clear();
        QStringList second{line(0, QStringLiteral("fan of ") + kAnna, kBob)};
        for (int i = 0; i < leaving; ++i)
            second << line(i + 1, QStringLiteral("Newcomer %1").arg(i),
                           QString::number(76561198200000000LL + i));
        t.visit(QStringLiteral("A"), second);
        QCOMPARE(t.tracker.recordCount(), 2 + leaving);
        QCOMPARE(t.tracker.indexOfSteamId(kAnna), 0);
        // The joins of the second answer and the departures of the first crowd, nothing of Anna.
        QCOMPARE(t.messages.size(), 1 + 2 * leaving);
        for (const QString &message : std::as_const(t.messages))
            QVERIFY(!message.startsWith(QStringLiteral("Player: `Anna´")));
    }

    // A server answering with tens of thousands of players, then as many others: every change
    // has its line, in answer and table order (this took minutes while each line searched the
    // whole table and each departure the whole answer).
    void hugeAnswersReplacingEachOtherLogEveryChange() {
        constexpr int kPlayers = 20000;
        Tracked t;
        QStringList first;
        QStringList second;
        for (int i = 0; i < kPlayers; ++i) {
            first << line(i, QStringLiteral("Old %1").arg(i),
                          QString::number(76561198100000000LL + i));
            second << line(i, QStringLiteral("New %1").arg(i),
                           QString::number(76561198300000000LL + i));
        }
        t.visit(QStringLiteral("A"), first);
        QCOMPARE(t.tracker.recordCount(), kPlayers);
        t.messages.clear();
        t.visit(QStringLiteral("A"), second);
        QCOMPARE(t.tracker.recordCount(), kPlayers);
        QCOMPARE(t.messages.size(), 2 * kPlayers);
        QVERIFY(t.messages.at(0).startsWith(QStringLiteral("Player: `New 0´")));
        QVERIFY(t.messages.at(kPlayers).startsWith(QStringLiteral("Player: `Old 0´")));
        QVERIFY(t.messages.constLast().contains(QStringLiteral("`Old 19999´")));
        QCOMPARE(t.tracker.record(0).name, QStringLiteral("New 0"));
    }

    void lineWithoutCommaIsSkipped() {
        Tracked t;
        t.visit(QStringLiteral("A"), {QStringLiteral("0. Anna 76561198000000001"),
                                      line(1, QStringLiteral("Bob"), kBob)});
        QCOMPARE(t.tracker.recordCount(), 1);
        QCOMPARE(t.tracker.record(0).steamId, kBob);
    }

    void unchangedVisitLeavesTheListAlone() {
        Tracked t;
        const QStringList lines{line(0, QStringLiteral("Anna"), kAnna)};
        t.visit(QStringLiteral("A"), lines);
        QSignalSpy rebuilt(&t.tracker, &PlayerTracker::playerListRebuilt);
        t.visit(QStringLiteral("A"), lines);
        t.visit(QStringLiteral("B"), {});
        QCOMPARE(rebuilt.count(), 0);
    }

    void deletedServerLosesItsPlayersSilently() {
        Tracked t;
        t.visit(QStringLiteral("A"), {line(0, QStringLiteral("Anna"), kAnna)});
        t.visit(QStringLiteral("B"), {line(0, QStringLiteral("Bob"), kBob)});
        t.messages.clear();
        QSignalSpy counts(&t.tracker, &PlayerTracker::playerCountChanged);
        t.tracker.removeServerRecords(QStringLiteral("A"));
        t.tracker.checkSignature(false);
        QVERIFY(t.messages.isEmpty());
        QCOMPARE(t.tracker.recordCount(), 1);
        QCOMPARE(counts.count(), 1);
        QCOMPARE(counts.at(0).at(2).toBool(), false); // no count sound for a removal
        QVERIFY(t.tracker.playerSetChanged());        // set again by the rebuild
    }

    void listShowsRecordsWithTheOnlineTicker() {
        Intervals::instance().onlineTickerMs = 20;
        Tracked t;
        PlayerListModel model(&t.tracker);
        QAbstractItemModelTester tester(&model);
        t.visit(QStringLiteral("A"),
                {line(0, QStringLiteral("Anna"), kAnna), line(1, QStringLiteral("Bob"), kBob)});
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.headerData(3, Qt::Horizontal).toString(), QStringLiteral("Online"));
        QCOMPARE(model.index(1, PlayerListModel::PlayerColumn).data().toString(),
                 QStringLiteral("Bob"));
        QCOMPARE(model.index(1, PlayerListModel::PlayerColumn)
                     .data(PlayerListModel::IconIndexRole)
                     .toInt(),
                 7);
        QCOMPARE(model.index(0, PlayerListModel::SteamIdColumn).data().toString(), kAnna);
        QCOMPARE(model.index(0, PlayerListModel::ServerColumn).data().toString(),
                 QStringLiteral("A"));
        QCOMPARE(model.index(0, PlayerListModel::OnlineColumn).data().toString(),
                 QStringLiteral("00:00:00"));

        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        t.now = t.now.addSecs(25 * 3600 + 61);
        QTRY_COMPARE(model.index(0, PlayerListModel::OnlineColumn).data().toString(),
                     QStringLiteral("01:01:01"));
        const int afterChange = changed.count();
        QTest::qWait(100);
        QCOMPARE(changed.count(), afterChange); // nothing moved, nothing repainted

        QCOMPARE(model.programExitLines(),
                 (QStringList{QStringLiteral("Program exit: `Anna´ (76561198000000001) has "
                                             "played @ `A´ - Duration {01:01:01}"),
                              QStringLiteral("Program exit: `Bob´ (76561198000000002) has "
                                             "played @ `A´ - Duration {01:01:01}")}));
    }

    void rebuildTouchesOnlyTheRowsThatChanged_data() {
        QTest::addColumn<bool>("sorted");
        QTest::newRow("tracker order") << false;
        QTest::newRow("sorted by name") << true;
    }
    void rebuildTouchesOnlyTheRowsThatChanged() {
        QFETCH(bool, sorted);
        Tracked t;
        PlayerListModel model(&t.tracker);
        QAbstractItemModelTester tester(&model);
        if (sorted)
            model.headerClicked(PlayerListModel::SteamIdColumn); // ascending by id
        t.visit(QStringLiteral("A"),
                {line(0, QStringLiteral("Anna"), kAnna), line(1, QStringLiteral("Bob"), kBob)});
        t.visit(QStringLiteral("B"), {line(0, QStringLiteral("Cid"), kCid)});
        QCOMPARE(model.rowCount(), 3);
        const QPersistentModelIndex cid = model.index(2, PlayerListModel::PlayerColumn);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

        // Other servers' visits with nothing new: not a signal.
        t.visit(QStringLiteral("B"), {line(0, QStringLiteral("Cid"), kCid)});
        t.visit(QStringLiteral("C"), {});
        QCOMPARE(resets.count() + removed.count() + inserted.count() + changed.count(), 0);

        // Anna leaves A, Bob moves to B: one row goes, one row changes, Cid's row stays.
        t.visit(QStringLiteral("A"), {line(0, QStringLiteral("Bob"), kBob)});
        t.visit(QStringLiteral("B"),
                {line(0, QStringLiteral("Cid"), kCid), line(1, QStringLiteral("Bob"), kBob)});
        QCOMPARE(resets.count(), 0);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(removed.at(0).at(1).toInt(), 0);
        QCOMPARE(removed.at(0).at(2).toInt(), 0);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toModelIndex().row(), 0);
        QCOMPARE(model.index(0, PlayerListModel::ServerColumn).data().toString(),
                 QStringLiteral("B"));
        QVERIFY(cid.isValid());
        QCOMPARE(cid.row(), 1);
        QCOMPARE(cid.data().toString(), QStringLiteral("Cid"));

        // Dora joins: one row inserted where the order puts her.
        const QString dora = QStringLiteral("76561198000000000");
        t.visit(QStringLiteral("C"), {line(0, QStringLiteral("Dora"), dora)});
        QCOMPARE(resets.count(), 0);
        QCOMPARE(inserted.count(), 1);
        QCOMPARE(inserted.at(0).at(1).toInt(), sorted ? 0 : 2);
        QCOMPARE(model.index(sorted ? 0 : 2, PlayerListModel::SteamIdColumn).data().toString(),
                 dora);
        QCOMPARE(cid.data().toString(), QStringLiteral("Cid"));
    }

    // Random visits of three servers by forty players who join, move and leave: after every
    // visit the records, their indexes and both lists (the tracker's order and one sorted by id)
    // match a plain model of who is where, and each departure is logged once.
    void randomVisitsKeepRecordsIndexesAndListsInStep() {
        Tracked t;
        PlayerListModel plain(&t.tracker);
        PlayerListModel sorted(&t.tracker);
        QAbstractItemModelTester plainTester(&plain);
        QAbstractItemModelTester sortedTester(&sorted);
        sorted.headerClicked(PlayerListModel::SteamIdColumn);
        const QStringList servers{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
        QStringList ids;
        for (int i = 0; i < 40; ++i)
            ids << QStringLiteral("765611980000001%1").arg(i, 2, 10, QLatin1Char('0'));
        QList<QPair<QString, QString>> expected; // (id, server) in the order of their joins
        QRandomGenerator random(20261211);
        int departures = 0;
        for (int visit = 0; visit < 400; ++visit) {
            const QString server = servers.at(int(random.bounded(3)));
            QStringList lines;
            QSet<QString> listed;
            for (int i = 0; i < ids.size(); ++i) {
                if (random.bounded(4) != 0)
                    continue;
                lines << line(int(lines.size()), QStringLiteral("P%1").arg(i), ids.at(i));
                listed.insert(ids.at(i));
            }
            // New players are added in the order of the answer's lines.
            for (const QString &id : std::as_const(ids)) {
                if (!listed.contains(id))
                    continue;
                const auto at =
                    std::find_if(expected.begin(), expected.end(),
                                 [&id](const auto &entry) { return entry.first == id; });
                if (at == expected.end())
                    expected.append({id, server});
                else
                    at->second = server;
            }
            const qsizetype before = expected.size();
            expected.removeIf([&](const auto &entry) {
                return entry.second == server && !listed.contains(entry.first);
            });
            departures += int(before - expected.size());
            t.visit(server, lines);

            QCOMPARE(t.tracker.recordCount(), int(expected.size()));
            QStringList byId;
            for (int i = 0; i < expected.size(); ++i) {
                const PlayerRecord record = t.tracker.record(i);
                QCOMPARE(record.steamId, expected.at(i).first);
                QCOMPARE(record.server, expected.at(i).second);
                QCOMPARE(t.tracker.indexOfSteamId(record.steamId), i);
                QCOMPARE(plain.index(i, PlayerListModel::SteamIdColumn).data().toString(),
                         record.steamId);
                QCOMPARE(plain.index(i, PlayerListModel::ServerColumn).data().toString(),
                         record.server);
                byId << record.steamId;
            }
            QCOMPARE(plain.rowCount(), int(expected.size()));
            byId.sort();
            QCOMPARE(sorted.rowCount(), int(byId.size()));
            for (int i = 0; i < byId.size(); ++i)
                QCOMPARE(sorted.index(i, PlayerListModel::SteamIdColumn).data().toString(),
                         byId.at(i));
        }
        QCOMPARE(int(t.messages.filter(QStringLiteral(" has left `")).size()), departures);
        QVERIFY(departures > 100);
    }

    void sortedListKeepsItsOrderAcrossRebuilds() {
        Tracked t;
        PlayerListModel model(&t.tracker);
        QAbstractItemModelTester tester(&model);
        const auto names = [&model] {
            QStringList list;
            for (int row = 0; row < model.rowCount(); ++row)
                list << model.index(row, PlayerListModel::PlayerColumn).data().toString();
            return list;
        };
        t.visit(QStringLiteral("A"),
                {line(0, QStringLiteral("bob"), kBob), line(1, QStringLiteral("Anna"), kAnna)});
        // Until the operator sorts it, the list keeps the tracker's order.
        QCOMPARE(names(), (QStringList{"bob", "Anna"}));
        QVERIFY(!model.headerData(0, Qt::Horizontal, PlayerListModel::IconIndexRole).isValid());

        // The list starts on column 0, ascending: the first click there reverses it.
        model.headerClicked(PlayerListModel::PlayerColumn);
        QCOMPARE(model.sortOrder(), Qt::DescendingOrder);
        QCOMPARE(names(), (QStringList{"bob", "Anna"}));

        const QPersistentModelIndex bob = model.index(0, PlayerListModel::SteamIdColumn);
        model.headerClicked(PlayerListModel::SteamIdColumn);
        QCOMPARE(names(), (QStringList{"Anna", "bob"}));
        QCOMPARE(bob.data().toString(), kBob);
        QCOMPARE(model.headerData(1, Qt::Horizontal, PlayerListModel::IconIndexRole).toInt(), 3);
        QVERIFY(!model.headerData(0, Qt::Horizontal, PlayerListModel::IconIndexRole).isValid());
        model.headerClicked(PlayerListModel::SteamIdColumn);
        QCOMPARE(names(), (QStringList{"bob", "Anna"}));
        QCOMPARE(model.headerData(1, Qt::Horizontal, PlayerListModel::IconIndexRole).toInt(), 4);

        t.visit(QStringLiteral("A"),
                {line(0, QStringLiteral("bob"), kBob), line(1, QStringLiteral("Anna"), kAnna),
                 line(2, QStringLiteral("Cid"), kCid)});
        QCOMPARE(names(), (QStringList{"Cid", "bob", "Anna"}));
        QCOMPARE(model.index(0, PlayerListModel::SteamIdColumn).data().toString(), kCid);
        QVERIFY(model.programExitLines().constFirst().contains(kCid));
    }
};

QTEST_GUILESS_MAIN(TestPlayerTracker)
#include "tst_playertracker.moc"
