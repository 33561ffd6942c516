// The rules of the server settings dialog's fields, checked in their order.
#include "servers/ServerSettingsRules.h"

#include <QtTest>

Q_DECLARE_METATYPE(ServerSettingsRefusal)

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

        // A TCP port: 1 to 65535, stored as typed.
        QTest::newRow("65536") << "Island" << h << "65536" << pw << R::InvalidPort;
        QTest::newRow("above 65535") << "Island" << h << "70000" << pw << R::InvalidPort;
        QTest::newRow("zero") << "Island" << h << "0" << pw << R::InvalidPort;
        QTest::newRow("minus zero") << "Island" << h << "-0" << pw << R::InvalidPort;
        QTest::newRow("negative") << "Island" << h << "-5" << pw << R::InvalidPort;
        QTest::newRow("32-bit maximum") << "Island" << h << "2147483647" << pw << R::InvalidPort;
        QTest::newRow("one") << "Island" << h << "1" << pw << R::None;
        QTest::newRow("65535") << "Island" << h << "65535" << pw << R::None;
        QTest::newRow("plus sign") << "Island" << h << "+27015" << pw << R::None;
        QTest::newRow("leading zeros") << "Island" << h << "0000000000027015" << pw << R::None;
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
};

QTEST_APPLESS_MAIN(TestServerSettings)
#include "tst_serversettings.moc"
