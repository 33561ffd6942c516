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
        QCOMPARE(values.options.cinfo, 1);
        QCOMPARE(values.options.tray, 1);
        QCOMPARE(values.options.log, 1);
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
        QCOMPARE(values.options.cinfo, 3);
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
        QCOMPARE(values.options.cinfo, cinfo);
        QCOMPARE(values.options.log, log);
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
        QCOMPARE(values.options.cinfo, 2);
        QCOMPARE(values.options.getbchat, 1);

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
        QVERIFY(AppSettings::writeOption(path(), QStringLiteral("cinfo"), 4));
        AppSettings::Values values;
        QVERIFY(AppSettings::read(path(), &values));
        QCOMPARE(values.options.cinfo, 4);
    }
};

QTEST_GUILESS_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
