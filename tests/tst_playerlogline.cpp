// The program log's player lines: every kind written, read back and renamed, with the names
// players give themselves.
#include "base/PlayerLogLine.h"

#include <QtTest>

Q_DECLARE_METATYPE(PlayerLogLine::Kind)

namespace {
using Kind = PlayerLogLine::Kind;

const QString kAcute = QString(QChar(0x00B4));
const QString kStamp = QStringLiteral("[261209-201500] ");
const QString kSteamId = QStringLiteral("76561198000000001");
const QString kEosId = QStringLiteral("0002a1b2c3d4e5f60718293a4b5c6d7e");

// `name´ as the program log quotes names.
QString q(const QString &name) {
    return QLatin1Char('`') + name + kAcute;
}
} // namespace

class TestPlayerLogLine : public QObject {
    Q_OBJECT

private slots:
    void everyKindRoundTrips_data() {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("duration");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("notification");
        // The player's name after the server was renamed to "Omega".
        QTest::addColumn<QString>("renamedName");

        const auto add = [](const char *tag, Kind kind, const QString &name, const QString &id,
                            const QString &server, const QString &duration, const QString &text,
                            const QString &notification = QString(),
                            const QString &renamedName = QString()) {
            QTest::newRow(tag) << kind << name << id << server << duration << text << notification
                               << (renamedName.isNull() ? name : renamedName);
        };
        const QString island = QStringLiteral("The Island");
        add("joined", Kind::Joined, QStringLiteral("Anna"), kSteamId, island, QString(),
            QStringLiteral("Player: `Anna´ (76561198000000001) joined @ `The Island´"),
            QStringLiteral("`Anna´ joined @ `The Island´"));
        add("playing", Kind::Playing, QStringLiteral("Anna"), kSteamId, island, QString(),
            QStringLiteral("Player: `Anna´ (76561198000000001) playing @ `The Island´"));
        add("has left", Kind::HasLeft, QStringLiteral("Anna"), kSteamId, island,
            QStringLiteral("01:02:03"),
            QStringLiteral("Player: `Anna´ (76561198000000001) has left `The Island´ - Duration "
                           "{01:02:03}"),
            QStringLiteral("`Anna´ has left `The Island´"));
        add("program exit", Kind::ProgramExit, QStringLiteral("Anna"), kSteamId, island,
            QStringLiteral("00:00:05"),
            QStringLiteral("Program exit: `Anna´ (76561198000000001) has played @ `The Island´ - "
                           "Duration {00:00:05}"));

        // The newer edition's EOS ids stand whole in every kind of line.
        const QString eos = QStringLiteral("0002a1b2c3d4e5f60718293A4B5C6D7E");
        add("joined, EOS id", Kind::Joined, QStringLiteral("Dora"), eos, island, QString(),
            QStringLiteral("Player: `Dora´ (0002a1b2c3d4e5f60718293A4B5C6D7E) joined @ "
                           "`The Island´"),
            QStringLiteral("`Dora´ joined @ `The Island´"));
        add("has left, EOS id", Kind::HasLeft, QStringLiteral("Dora"), eos, island,
            QStringLiteral("00:00:00"),
            QStringLiteral("Player: `Dora´ (0002a1b2c3d4e5f60718293A4B5C6D7E) has left "
                           "`The Island´ - Duration {00:00:00}"),
            QStringLiteral("`Dora´ has left `The Island´"));

        // Names as players choose them.
        add("backquotes", Kind::Joined, QStringLiteral("`Bob` ``"), kSteamId, island, QString(),
            QStringLiteral("Player: ``Bob` ``´ (76561198000000001) joined @ `The Island´"),
            QStringLiteral("``Bob` ``´ joined @ `The Island´"));
        add("acute accents", Kind::HasLeft, QStringLiteral("´Zoë´ ´"), kSteamId, island,
            QStringLiteral("00:10:00"),
            QStringLiteral("Player: `´Zoë´ ´´ (76561198000000001) has left `The Island´ - "
                           "Duration {00:10:00}"),
            QStringLiteral("`´Zoë´ ´´ has left `The Island´"));
        add("commas and dots", Kind::Playing, QStringLiteral("Bob, the Great. Jr., 2."), kSteamId,
            island, QString(),
            QStringLiteral("Player: `Bob, the Great. Jr., 2.´ (76561198000000001) playing @ "
                           "`The Island´"));
        add("blanks", Kind::ProgramExit, QStringLiteral("  two  blanks "), kSteamId, island,
            QStringLiteral("23:59:59"),
            QStringLiteral("Program exit: `  two  blanks ´ (76561198000000001) has played @ "
                           "`The Island´ - Duration {23:59:59}"));
        add("brackets", Kind::HasLeft, QStringLiteral("(1) [2] {3} <4>"), kSteamId, island,
            QStringLiteral("00:00:01"),
            QStringLiteral("Player: `(1) [2] {3} <4>´ (76561198000000001) has left `The Island´ - "
                           "Duration {00:00:01}"),
            QStringLiteral("`(1) [2] {3} <4>´ has left `The Island´"));
        add("empty name", Kind::Joined, QString(), kSteamId, island, QString(),
            QStringLiteral("Player: `´ (76561198000000001) joined @ `The Island´"),
            QStringLiteral("`´ joined @ `The Island´"));
        // A name that holds the pieces of a line, markers and ids included.
        add("name holds a join", Kind::Joined,
            QStringLiteral("x´ (2) playing @ `y´ (3) joined @ `z"), kSteamId, island, QString(),
            QStringLiteral("Player: `x´ (2) playing @ `y´ (3) joined @ `z´ (76561198000000001) "
                           "joined @ `The Island´"),
            QStringLiteral("`x´ (2) playing @ `y´ (3) joined @ `z´ joined @ `The Island´"));
        add("name holds a departure", Kind::HasLeft,
            QStringLiteral("a´ (4) has left `b´ - Duration {09:09:09}"), kSteamId, island,
            QStringLiteral("00:20:00"),
            QStringLiteral("Player: `a´ (4) has left `b´ - Duration {09:09:09}´ "
                           "(76561198000000001) has left `The Island´ - Duration {00:20:00}"),
            QStringLiteral("`a´ (4) has left `b´ - Duration {09:09:09}´ has left `The Island´"));
        add("name holds an exit", Kind::ProgramExit,
            QStringLiteral("Program exit: `c´ (5) has played @ `d"), kSteamId, island,
            QStringLiteral("00:30:00"),
            QStringLiteral("Program exit: `Program exit: `c´ (5) has played @ `d´ "
                           "(76561198000000001) has played @ `The Island´ - Duration {00:30:00}"));

        // Ids are kept as the line has them, whatever their length.
        add("EOS id", Kind::HasLeft, QStringLiteral("Anna"), kEosId, island,
            QStringLiteral("00:00:09"),
            QStringLiteral("Player: `Anna´ (0002a1b2c3d4e5f60718293a4b5c6d7e) has left "
                           "`The Island´ - Duration {00:00:09}"),
            QStringLiteral("`Anna´ has left `The Island´"));
        add("short id", Kind::Playing, QStringLiteral("Bob"), QStringLiteral("1"), island,
            QString(), QStringLiteral("Player: `Bob´ (1) playing @ `The Island´"));

        // Server names the dialog lets through.
        add("server with brackets and quotes", Kind::HasLeft, QStringLiteral("Anna"), kSteamId,
            QStringLiteral("PvE (x5), `ranked´ #2."), QStringLiteral("02:00:00"),
            QStringLiteral("Player: `Anna´ (76561198000000001) has left `PvE (x5), `ranked´ "
                           "#2.´ - Duration {02:00:00}"),
            QStringLiteral("`Anna´ has left `PvE (x5), `ranked´ #2.´"));
        add("player named like the server", Kind::Joined, QStringLiteral("the island"), kSteamId,
            island, QString(),
            QStringLiteral("Player: `the island´ (76561198000000001) joined @ `The Island´"),
            QStringLiteral("`the island´ joined @ `The Island´"), QStringLiteral("Omega"));
    }

    void everyKindRoundTrips() {
        QFETCH(Kind, kind);
        QFETCH(QString, name);
        QFETCH(QString, id);
        QFETCH(QString, server);
        QFETCH(QString, duration);
        QFETCH(QString, text);
        QFETCH(QString, notification);

        const PlayerLogLine line{kind, name, id, server, duration};
        QCOMPARE(line.text(), text);
        QCOMPARE(line.notificationText(), notification);
        const std::optional<PlayerLogLine> read = PlayerLogLine::parse(text);
        QVERIFY(read);
        QCOMPARE(int(read->kind), int(kind));
        QCOMPARE(read->name, name);
        QCOMPARE(read->playerId, id);
        QCOMPARE(read->server, server);
        QCOMPARE(read->duration, duration);
    }

    void renameFollowsEveryKind_data() { everyKindRoundTrips_data(); }

    void renameFollowsEveryKind() {
        QFETCH(Kind, kind);
        QFETCH(QString, name);
        QFETCH(QString, id);
        QFETCH(QString, server);
        QFETCH(QString, duration);
        QFETCH(QString, text);
        QFETCH(QString, renamedName);

        int changed = 0;
        const QStringList renamed =
            PlayerLogLine::renameServer({kStamp + text}, server, QStringLiteral("Omega"), &changed);
        QCOMPARE(changed, 1);
        QVERIFY(renamed.constFirst().startsWith(kStamp));
        const std::optional<PlayerLogLine> read =
            PlayerLogLine::parse(QStringView(renamed.constFirst()).mid(kStamp.size()));
        QVERIFY(read);
        QCOMPARE(*read, (PlayerLogLine{kind, renamedName, id, QStringLiteral("Omega"), duration}));
    }

    void otherLinesAreNoPlayerLines_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("status") << QStringLiteral("Serverstatus (Alpha):  Online");
        QTest::newRow("server added") << QStringLiteral("Server added:  `Alpha´  (10.0.0.1:27015)");
        QTest::newRow("with its time stamp")
            << kStamp + QStringLiteral("Player: `Bob´ (1) joined @ `Alpha´");
        QTest::newRow("no id") << QStringLiteral("Player: `Bob´ joined @ `Alpha´");
        QTest::newRow("empty id") << QStringLiteral("Player: `Bob´ () joined @ `Alpha´");
        QTest::newRow("blank in the id") << QStringLiteral("Player: `Bob´ (1 2) joined @ `Alpha´");
        QTest::newRow("no blank before the id")
            << QStringLiteral("Player: `Bob´(1) joined @ `Alpha´");
        QTest::newRow("server not closed") << QStringLiteral("Player: `Bob´ (1) joined @ `Alpha");
        QTest::newRow("unknown marker") << QStringLiteral("Player: `Bob´ (1) waved @ `Alpha´");
        QTest::newRow("departure without duration")
            << QStringLiteral("Player: `Bob´ (1) has left `Alpha´");
        QTest::newRow("duration not closed")
            << QStringLiteral("Player: `Bob´ (1) has left `Alpha´ - Duration {00:00:01");
        QTest::newRow("join with a duration")
            << QStringLiteral("Player: `Bob´ (1) joined @ `Alpha´ - Duration {00:00:01}");
        QTest::newRow("exit marker after Player")
            << QStringLiteral("Player: `Bob´ (1) has played @ `Alpha´ - Duration {00:00:01}");
        QTest::newRow("join marker after Program exit")
            << QStringLiteral("Program exit: `Bob´ (1) joined @ `Alpha´");
        QTest::newRow("departure marker after Program exit")
            << QStringLiteral("Program exit: `Bob´ (1) has left `Alpha´ - Duration {00:00:01}");
        QTest::newRow("only the start") << QStringLiteral("Player: `");
        QTest::newRow("empty") << QString();
    }

    void otherLinesAreNoPlayerLines() {
        QFETCH(QString, text);
        QVERIFY(!PlayerLogLine::parse(text));
    }

    void durationIsATimeOfDay_data() {
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("none") << qint64(0) << QStringLiteral("00:00:00");
        QTest::newRow("hours, minutes, seconds") << qint64(3723) << QStringLiteral("01:02:03");
        QTest::newRow("last second of a day") << qint64(86399) << QStringLiteral("23:59:59");
        QTest::newRow("whole days drop out") << qint64(25 * 3600) << QStringLiteral("01:00:00");
        // A stay that ends before it starts played no time; the wrap-around would make 23 h.
        QTest::newRow("clock set back") << qint64(-10) << QStringLiteral("00:00:00");
        QTest::newRow("clock set back by days")
            << qint64(-3 * 86400 - 5) << QStringLiteral("00:00:00");
    }

    void durationIsATimeOfDay() {
        QFETCH(qint64, seconds);
        QFETCH(QString, text);
        QCOMPARE(PlayerLogLine::durationText(seconds), text);
    }

    void renameRewritesPlayerLinesOnly_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("expected");

        const QString stamp = QStringLiteral("[261209-201500] ");
        const QString id = QStringLiteral(" (76561198000000001)");
        const auto player = [&](const QString &who, const QString &what, const QString &server) {
            return stamp + QStringLiteral("Player: ") + q(who) + id + what + q(server);
        };
        const QString joined = QStringLiteral(" joined @ ");
        QTest::newRow("joined") << player("Bob", joined, "Alpha") << player("Bob", joined, "Omega");
        QTest::newRow("playing") << player("Bob", " playing @ ", "Alpha")
                                 << player("Bob", " playing @ ", "Omega");
        QTest::newRow("has left") << player("Bob", " has left ", "Alpha") + " - Duration {01:02:03}"
                                  << player("Bob", " has left ", "Omega") +
                                         " - Duration {01:02:03}";
        QTest::newRow("program exit")
            << stamp + "Program exit: " + q("Bob") + id + " has played @ " + q("Alpha") +
                   " - Duration {00:00:05}"
            << stamp + "Program exit: " + q("Bob") + id + " has played @ " + q("Omega") +
                   " - Duration {00:00:05}";
        // Quoted names are matched without regard to case, so a player named like the server
        // is renamed with it.
        QTest::newRow("player named like the server")
            << player("ALPHA", joined, "Alpha") << player("Omega", joined, "Omega");
        QTest::newRow("server quoted in another case")
            << player("Alpha", joined, "alpha") << player("Omega", joined, "Omega");
        // The line must hold the old name as it is spelt before anything is replaced.
        QTest::newRow("name only in another case")
            << player("Bob", joined, "ALPHA") << player("Bob", joined, "ALPHA");
        QTest::newRow("longer name")
            << player("Bob", joined, "Alpha 2") << player("Bob", joined, "Alpha 2");
        QTest::newRow("player whose name contains it")
            << player("Alphabet", joined, "Alpha") << player("Alphabet", joined, "Omega");
        // Every quoted occurrence goes, whichever server the line is about.
        QTest::newRow("player named like it on another server")
            << player("Alpha", joined, "Beta") << player("Omega", joined, "Beta");
        QTest::newRow("other server")
            << player("Bob", joined, "Beta") << player("Bob", joined, "Beta");

        QTest::newRow("status line")
            << stamp + "Serverstatus (Alpha):  Online" << stamp + "Serverstatus (Alpha):  Online";
        QTest::newRow("server added")
            << stamp + "Server added:  " + q("Alpha") + "  (10.0.0.1:27015)"
            << stamp + "Server added:  " + q("Alpha") + "  (10.0.0.1:27015)";
        QTest::newRow("server changed") << stamp + "Server setting changed:  " + q("Alpha")
                                        << stamp + "Server setting changed:  " + q("Alpha");
        QTest::newRow("chat timeout")
            << stamp + "Chat timeout: Alpha" << stamp + "Chat timeout: Alpha";
        QTest::newRow("start marker")
            << stamp + " - - - - - - - - - - - - Program start - - - - - - - - - - - -"
            << stamp + " - - - - - - - - - - - - Program start - - - - - - - - - - - -";
    }

    void renameRewritesPlayerLinesOnly() {
        QFETCH(QString, line);
        QFETCH(QString, expected);
        int changed = -1;
        const QStringList out = PlayerLogLine::renameServer({line}, QStringLiteral("Alpha"),
                                                            QStringLiteral("Omega"), &changed);
        QCOMPARE(out, QStringList{expected});
        QCOMPARE(changed, line == expected ? 0 : 1);
    }

    void renameKeepsOrderAndCountsLines() {
        const QString joined = QStringLiteral("Player: `Bob´ (1) joined @ `Alpha´");
        const QString status = QStringLiteral("Serverstatus (Alpha):  Online");
        const QStringList in{joined, status, QString(), joined};
        int changed = 0;
        const QStringList out = PlayerLogLine::renameServer(in, QStringLiteral("Alpha"),
                                                            QStringLiteral("Beta"), &changed);
        const QString renamed = QStringLiteral("Player: `Bob´ (1) joined @ `Beta´");
        QCOMPARE(out, (QStringList{renamed, status, QString(), renamed}));
        QCOMPARE(changed, 2);
        QCOMPARE(in.constFirst(), joined); // the caller's list is not touched
        // A case-only rename is a rename too.
        QCOMPARE(
            PlayerLogLine::renameServer({joined}, QStringLiteral("Alpha"), QStringLiteral("ALPHA")),
            QStringList{QStringLiteral("Player: `Bob´ (1) joined @ `ALPHA´")});
        QCOMPARE(PlayerLogLine::renameServer({joined}, QStringLiteral("Alpha"),
                                             QStringLiteral("Alpha"), &changed),
                 QStringList{joined});
        QCOMPARE(changed, 0);
    }
};

QTEST_APPLESS_MAIN(TestPlayerLogLine)
#include "tst_playerlogline.moc"
