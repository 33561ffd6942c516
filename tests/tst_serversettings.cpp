// The rules of the server settings dialog's fields, checked in their order, and the rewrite of
// the program log's player lines when a server is renamed.
#include "servers/ServerSettingsRules.h"

#include <QtTest>

Q_DECLARE_METATYPE(ServerSettingsRefusal)

namespace {
const QString kAcute = QString(QChar(0x00B4));

// `name´ as the program log quotes names.
QString q(const QString &name) {
    return QLatin1Char('`') + name + kAcute;
}
} // namespace

class TestServerSettings : public QObject {
    Q_OBJECT

private slots:
    void fieldsAreCheckedInOrder_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("password");
        QTest::addColumn<ServerSettingsRefusal>("refusal");

        using R = ServerSettingsRefusal;
        const QString h = QStringLiteral("10.0.0.1");
        const QString p = QStringLiteral("27015");
        const QString pw = QStringLiteral("secret");
        QTest::newRow("plain") << "The Island" << h << p << pw << R::None;
        QTest::newRow("empty password") << "The Island" << h << p << "" << R::None;
        QTest::newRow("blank after the name") << "The Island " << h << p << pw << R::None;
        QTest::newRow("umlaut") << "Insel Süd" << h << p << pw << R::None;

        QTest::newRow("slash") << "The/Island" << h << p << pw << R::InvalidServername;
        QTest::newRow("double quote") << "The \"Island\"" << h << p << pw << R::InvalidServername;
        QTest::newRow("channel offline in capitals")
            << "MY CHANNEL OFFLINE" << h << p << pw << R::InvalidServername;
        QTest::newRow("channel offline mixed")
            << "cHaNnEl OfFlInE 2" << h << p << pw << R::InvalidServername;
        // The name's own check comes before every other.
        QTest::newRow("forbidden name before empty host") << "a|b"
                                                          << ""
                                                          << ""
                                                          << "" << R::InvalidServername;
        QTest::newRow("forbidden name before control character")
            << "a:b\tc" << h << p << pw << R::InvalidServername;

        QTest::newRow("empty name") << "" << h << p << pw << R::InvalidInput;
        QTest::newRow("name begins with a blank") << " Island" << h << p << pw << R::InvalidInput;
        QTest::newRow("empty host") << "Island"
                                    << "" << p << pw << R::InvalidInput;
        QTest::newRow("host begins with a blank") << "Island"
                                                  << " h" << p << pw << R::InvalidInput;
        QTest::newRow("empty port") << "Island" << h << "" << pw << R::InvalidInput;
        QTest::newRow("port begins with a blank") << "Island" << h << " 1" << pw << R::InvalidInput;
        QTest::newRow("blank-led port before letters")
            << "Island" << h << " abc" << pw << R::InvalidInput;
        QTest::newRow("tab in name") << "The\tIsland" << h << p << pw << R::InvalidInput;
        QTest::newRow("line feed in host") << "Island"
                                           << "10.0.0.1\n"
                                           << p << pw << R::InvalidInput;
        QTest::newRow("carriage return in password")
            << "Island" << h << p << "se\rcret" << R::InvalidInput;
        QTest::newRow("tab in password") << "Island" << h << p << "\tsecret" << R::InvalidInput;
        QTest::newRow("line separator in name")
            << QStringLiteral("The\u2028Island") << h << p << pw << R::InvalidInput;
        QTest::newRow("control character before letters in port") << "Island"
                                                                  << "a\tb"
                                                                  << "abc" << pw << R::InvalidInput;

        QTest::newRow("letters") << "Island" << h << "abc" << pw << R::InvalidPort;
        QTest::newRow("trailing blank") << "Island" << h << "27015 " << pw << R::InvalidPort;
        QTest::newRow("hexadecimal") << "Island" << h << "0x1F" << pw << R::InvalidPort;
        QTest::newRow("pascal hexadecimal") << "Island" << h << "$1F" << pw << R::InvalidPort;
        QTest::newRow("sign only") << "Island" << h << "-" << pw << R::InvalidPort;
        QTest::newRow("above 32 bits") << "Island" << h << "2147483648" << pw << R::InvalidPort;
        QTest::newRow("below 32 bits") << "Island" << h << "-2147483649" << pw << R::InvalidPort;
        QTest::newRow("fraction") << "Island" << h << "270.15" << pw << R::InvalidPort;
        QTest::newRow("arabic-indic digits")
            << "Island" << h << QStringLiteral("\u0662\u0667") << pw << R::InvalidPort;

        // Stored as typed: the range is the channel's business when it connects.
        QTest::newRow("above 65535") << "Island" << h << "70000" << pw << R::None;
        QTest::newRow("zero") << "Island" << h << "0" << pw << R::None;
        QTest::newRow("negative") << "Island" << h << "-5" << pw << R::None;
        QTest::newRow("plus sign") << "Island" << h << "+27015" << pw << R::None;
        QTest::newRow("leading zeros") << "Island" << h << "0000000000027015" << pw << R::None;
        QTest::newRow("32-bit maximum") << "Island" << h << "2147483647" << pw << R::None;
        QTest::newRow("32-bit minimum") << "Island" << h << "-2147483648" << pw << R::None;
    }

    void fieldsAreCheckedInOrder() {
        QFETCH(QString, name);
        QFETCH(QString, host);
        QFETCH(QString, port);
        QFETCH(QString, password);
        QFETCH(ServerSettingsRefusal, refusal);
        QCOMPARE(ServerSettingsRules::checkFields({name, host, port, password}), refusal);
    }

    void everyForbiddenCharacterIsRefused() {
        const QString forbidden = QStringLiteral("\\/:*?<>|\"");
        QCOMPARE(forbidden.size(), 9);
        for (const QChar c : forbidden) {
            const QString name = QStringLiteral("Is") + c + QStringLiteral("land");
            QVERIFY2(!ServerSettingsRules::isValidServername(name), qPrintable(name));
        }
        QVERIFY(ServerSettingsRules::isValidServername(QStringLiteral("Isl@nd #1 (PvE) [EU] 50%")));
    }

    void refusalsHaveTheirMessages() {
        using R = ServerSettingsRefusal;
        QCOMPARE(ServerSettingsRules::refusalText(R::InvalidServername),
                 QStringLiteral("Invalid servername!"));
        QCOMPARE(ServerSettingsRules::refusalText(R::InvalidInput),
                 QStringLiteral("Invalid input!"));
        QCOMPARE(ServerSettingsRules::refusalText(R::InvalidPort), QStringLiteral("Invalid port!"));
        QCOMPARE(ServerSettingsRules::refusalText(R::ServernameExists),
                 QStringLiteral("Servername already exists!"));
        QVERIFY(ServerSettingsRules::refusalText(R::None).isEmpty());
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
        const QStringList out = ServerSettingsRules::renameInPlayerLines(
            {line}, QStringLiteral("Alpha"), QStringLiteral("Omega"), &changed);
        QCOMPARE(out, QStringList{expected});
        QCOMPARE(changed, line == expected ? 0 : 1);
    }

    void renameKeepsOrderAndCountsLines() {
        const QString joined = QStringLiteral("Player: `Bob´ (1) joined @ `Alpha´");
        const QString status = QStringLiteral("Serverstatus (Alpha):  Online");
        const QStringList in{joined, status, QString(), joined};
        int changed = 0;
        const QStringList out = ServerSettingsRules::renameInPlayerLines(
            in, QStringLiteral("Alpha"), QStringLiteral("Beta"), &changed);
        const QString renamed = QStringLiteral("Player: `Bob´ (1) joined @ `Beta´");
        QCOMPARE(out, (QStringList{renamed, status, QString(), renamed}));
        QCOMPARE(changed, 2);
        QCOMPARE(in.constFirst(), joined); // the caller's list is not touched
        // A case-only rename is a rename too.
        QCOMPARE(ServerSettingsRules::renameInPlayerLines({joined}, QStringLiteral("Alpha"),
                                                          QStringLiteral("ALPHA")),
                 QStringList{QStringLiteral("Player: `Bob´ (1) joined @ `ALPHA´")});
        QCOMPARE(ServerSettingsRules::renameInPlayerLines({joined}, QStringLiteral("Alpha"),
                                                          QStringLiteral("Alpha"), &changed),
                 QStringList{joined});
        QCOMPARE(changed, 0);
    }
};

QTEST_APPLESS_MAIN(TestServerSettings)
#include "tst_serversettings.moc"
