#include "base/AnsiCodec.h"

#include <QtTest>

class TestAnsiCodec : public QObject {
    Q_OBJECT

private slots:
    void encode_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("ascii") << QStringLiteral("listplayers") << QByteArray("listplayers");
        QTest::newRow("latin-1 range") << QStringLiteral("Grüße ´")
                                       << QByteArray("Gr\xFC\xDF"
                                                     "e \xB4");
        QTest::newRow("windows-1252 extras")
            << QStringLiteral("€ „Š“ ™") << QByteArray("\x80 \x84\x8A\x93 \x99");
        QTest::newRow("outside the code page") << QStringLiteral("Ω 中") << QByteArray("? ?");
        QTest::newRow("outside the basic plane")
            << QString::fromUcs4(U"\U0001F600") << QByteArray("??");
    }

    void encode() {
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        QCOMPARE(AnsiCodec::encode(text), bytes);
    }

    void everyDefinedByteRoundTrips() {
        QByteArray all;
        for (int b = 1; b < 256; ++b)
            all.append(char(b));
        QCOMPARE(AnsiCodec::encode(AnsiCodec::decode(all)), all);
    }

    void decodeFileHonoursByteOrderMarks_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");

        QTest::newRow("windows-1252") << QByteArray("J\xF6rg \x80") << QStringLiteral("Jörg €");
        QTest::newRow("utf-8 bom")
            << QByteArray("\xEF\xBB\xBFJ\xC3\xB6rg") << QStringLiteral("Jörg");
        QTest::newRow("utf-16le bom") << QByteArray("\xFF\xFEJ\0\xF6\0", 6) << QStringLiteral("Jö");
        QTest::newRow("utf-16be bom") << QByteArray("\xFE\xFF\0J\0\xF6", 6) << QStringLiteral("Jö");
    }

    void decodeFileHonoursByteOrderMarks() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QCOMPARE(AnsiCodec::decodeFile(bytes), text);
    }
};

QTEST_GUILESS_MAIN(TestAnsiCodec)
#include "tst_ansicodec.moc"
