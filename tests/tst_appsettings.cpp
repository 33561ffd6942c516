#include "base/AppSettings.h"
#include "base/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestAppSettings : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(QStringLiteral("app.ini")); }
    void writeFile(const QByteArray &content) {
        QFile file(path());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(content);
    }

private slots:
    void missingFileKeepsBuiltInValues() {
        QFile::remove(path());
        AppSettings::Values values;
        QVERIFY(!AppSettings::read(path(), &values));
        QCOMPARE(values.options.notification, NotificationKind::Beep);
        QVERIFY(values.options.minimizeToTray);
        QVERIFY(values.options.showProgramLog);
        QCOMPARE(values.chatName, QStringLiteral("Admin"));
    }

    void optionsOnlyFileGivesDesignDefaults() {
        // Written by an option change before the console ever ended normally.
        writeFile("[pum1]\r\ncinfo=3\r\n");
        AppSettings::Values values;
        QVERIFY(AppSettings::read(path(), &values));
        QCOMPARE(values.layout.left, 50);
        QCOMPARE(values.layout.top, 50);
        QCOMPARE(values.layout.width, 900);
        QCOMPARE(values.layout.height, 650);
        QCOMPARE(values.layout.p1w, 500);
        QCOMPARE(values.layout.p4h, 0);
        QCOMPARE(values.options.notification, NotificationKind::PopupAndBeep);
        QCOMPARE(values.chatName, QStringLiteral("Admin"));
    }

    void valuesAreConvertedWithFallbacks_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("cinfo");
        QTest::addColumn<int>("log");
        QTest::addColumn<int>("width");

        QTest::newRow("not a number") << QByteArray("[pum1]\ncinfo=abc\n") << 1 << 1 << 900;
        QTest::newRow("log off") << QByteArray("[pum1]\nlog=0\n") << 1 << 0 << 900;
        QTest::newRow("hexadecimal") << QByteArray("[Design]\nwidth=0x400\n") << 1 << 1 << 1024;
        QTest::newRow("keys in any case")
            << QByteArray("[DESIGN]\nWIDTH=1000\n[Pum1]\nCInfo=4\n") << 4 << 1 << 1000;
    }

    void valuesAreConvertedWithFallbacks() {
        QFETCH(QByteArray, content);
        QFETCH(int, cinfo);
        QFETCH(int, log);
        QFETCH(int, width);
        writeFile(content);
        AppSettings::Values values;
        AppSettings::read(path(), &values);
        QCOMPARE(int(values.options.notification), cinfo);
        QCOMPARE(int(values.options.showProgramLog), log);
        QCOMPARE(values.layout.width, width);
    }

    void exitWriteKeepsOptionsAndRoundTrips() {
        writeFile("; operator's note\r\n[pum1]\r\ncinfo=2\r\ngetbchat=1\r\n");
        WindowLayout layout;
        layout.left = 11;
        layout.p4h = 250;
        layout.lv2col[5] = 99;
        layout.lv2lastsort = 4;
        layout.lv2lastimage = 4;
        QVERIFY(AppSettings::writeLayout(path(), layout, QStringLiteral("Overseer")));

        AppSettings::Values values;
        QVERIFY(AppSettings::read(path(), &values));
        QCOMPARE(values.layout.left, 11);
        QCOMPARE(values.layout.p4h, 250);
        QCOMPARE(values.layout.lv2col[5], 99);
        QCOMPARE(values.layout.lv2lastimage, 4);
        QCOMPARE(values.chatName, QStringLiteral("Overseer"));
        QCOMPARE(values.options.notification, NotificationKind::Popup);
        QVERIFY(values.options.backgroundChat);

        QFile file(path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.startsWith("; operator's note"));
        // p4h follows p12w in the exit order.
        QVERIFY(text.indexOf("p12w=") < text.indexOf("p4h="));
        QVERIFY(text.indexOf("p4h=") < text.indexOf("lv2lastsort="));
    }

    void optionWriteIsImmediate() {
        QFile::remove(path());
        ProgramOptions options;
        options.notification = NotificationKind::TrayBalloon;
        QVERIFY(AppSettings::writeOption(path(), options, AppSettings::Option::NotificationKind));
        AppSettings::Values values;
        QVERIFY(AppSettings::read(path(), &values));
        QCOMPARE(values.options.notification, NotificationKind::TrayBalloon);
    }

    void eachOptionKeepsItsKeyAndInteger_data() {
        QTest::addColumn<int>("option");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("written");
        using O = AppSettings::Option;
        QTest::newRow("no notification")
            << int(O::NotificationKind) << QStringLiteral("cinfo") << 0;
        QTest::newRow("tray balloon") << int(O::NotificationKind) << QStringLiteral("cinfo") << 4;
        QTest::newRow("chat as log source") << int(O::LogSource) << QStringLiteral("ggl") << 1;
        QTest::newRow("no tray") << int(O::MinimizeToTray) << QStringLiteral("tray") << 0;
        QTest::newRow("no program log") << int(O::ShowProgramLog) << QStringLiteral("log") << 0;
        QTest::newRow("crosshair") << int(O::Crosshair) << QStringLiteral("cross") << 1;
        QTest::newRow("background chat")
            << int(O::BackgroundChat) << QStringLiteral("getbchat") << 1;
    }
    void eachOptionKeepsItsKeyAndInteger() {
        QFETCH(int, option);
        QFETCH(QString, key);
        QFETCH(int, written);
        writeFile("[pum1]\r\n" + key.toLatin1() + "=" + QByteArray::number(written) + "\r\n");
        AppSettings::Values values;
        QVERIFY(AppSettings::read(path(), &values));
        QFile::remove(path());

        // What was read is written back under the same key as the same integer, and no other.
        const auto which = static_cast<AppSettings::Option>(option);
        QCOMPARE(AppSettings::keyOf(which), key);
        QVERIFY(AppSettings::writeOption(path(), values.options, which));
        QFile file(path());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(),
                 "[pum1]\r\n" + key.toLatin1() + "=" + QByteArray::number(written) + "\r\n");
    }

    void integersOutsideAnOptionsValuesAreReadSafely() {
        // A switch is on for 1 alone and the log source is the chat for 1 alone, as always; a
        // notification kind beyond the list is taken like an unreadable one, so the options tab
        // shows what is in force.
        writeFile("[pum1]\ncinfo=7\nggl=5\ntray=2\nlog=-1\ncross=3\ngetbchat=0x1\n");
        AppSettings::Values values;
        QVERIFY(AppSettings::read(path(), &values));
        QCOMPARE(values.options.notification, NotificationKind::Beep);
        QCOMPARE(values.options.logSource, LogSource::GameLog);
        QVERIFY(!values.options.minimizeToTray);
        QVERIFY(!values.options.showProgramLog);
        QVERIFY(!values.options.crosshair);
        QVERIFY(values.options.backgroundChat);
    }

    void webhookAddressIsWrittenBesideTheOtherKeys() {
        writeFile("[pum1]\r\ncinfo=3\r\n");
        const QString url = QStringLiteral("https://chat.example.org/api/webhooks/1/abc");
        QVERIFY(AppSettings::writeWebhookUrl(path(), url));
        QCOMPARE(AppSettings::webhookUrl(path()), url);
        QCOMPARE(IniFile(path()).readInt(QStringLiteral("pum1"), QStringLiteral("cinfo")), 3);
        QVERIFY(AppSettings::writeWebhookUrl(path(), QString()));
        QCOMPARE(AppSettings::webhookUrl(path()), QString());

        QString error;
        QVERIFY(!AppSettings::writeWebhookUrl(m_dir.filePath(QStringLiteral("gone/app.ini")), url,
                                              &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!error.contains(url));
    }
};

QTEST_GUILESS_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
