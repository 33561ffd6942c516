// How answers are read whatever the server's edition or platform: plain line ends, and the
// answer of a command that prints nothing in any letter case.
#include "rcon/AnswerText.h"

#include <QtTest>

class TestAnswerText : public QObject {
    Q_OBJECT

private slots:
    void lineEndsBecomePlainLineFeeds_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("plain");
        QTest::newRow("LF answer stays") << QStringLiteral("\n0. Anna, 76561198000000001\n")
                                         << QStringLiteral("\n0. Anna, 76561198000000001\n");
        QTest::newRow("CR LF") << QStringLiteral("\r\n0. Anna, 1\r\n1. Bob, 2\r\n")
                               << QStringLiteral("\n0. Anna, 1\n1. Bob, 2\n");
        QTest::newRow("lone CR") << QStringLiteral("a\rb\r") << QStringLiteral("a\nb\n");
        QTest::newRow("padding at the end")
            << QStringLiteral("\n0. Anna, 1\n ") << QStringLiteral("\n0. Anna, 1\n");
        QTest::newRow("CR LF and padding")
            << QStringLiteral("\r\n0. Anna, 1\r\n\n ") << QStringLiteral("\n0. Anna, 1\n\n");
        QTest::newRow("blanks and tabs at line ends")
            << QStringLiteral("Bob (Rex): hi \t\r\nAnn (Rex): ho  \n")
            << QStringLiteral("Bob (Rex): hi\nAnn (Rex): ho\n");
        QTest::newRow("blanks inside and at the start stay")
            << QStringLiteral("  Bob  (Rex):  hi\n") << QStringLiteral("  Bob  (Rex):  hi\n");
        QTest::newRow("only padding") << QStringLiteral(" \r\n \n ") << QStringLiteral("\n\n");
        QTest::newRow("empty") << QString() << QString();
    }
    void lineEndsBecomePlainLineFeeds() {
        QFETCH(QString, answer);
        QFETCH(QString, plain);
        const QString got = AnswerText::withPlainLineEnds(answer);
        QCOMPARE(got, plain);
        QVERIFY(!got.contains(QLatin1Char('\r')));
        // Reading twice changes nothing more.
        QCOMPARE(AnswerText::withPlainLineEnds(got), plain);
    }

    void noOutputAnswerInAnyCase_data() {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("noOutput");
        QTest::newRow("as written") << QStringLiteral("Server received, But no response!!") << true;
        QTest::newRow("with the padding of real servers")
            << QStringLiteral("Server received, But no response!! \n ") << true;
        QTest::newRow("CR LF") << QStringLiteral("Server received, But no response!!\r\n") << true;
        QTest::newRow("lower case") << QStringLiteral("server received, but no response!!") << true;
        QTest::newRow("upper case and blanks")
            << QStringLiteral("SERVER RECEIVED, BUT NO RESPONSE!!   \t") << true;
        QTest::newRow("what follows the phrase is not looked at")
            << QStringLiteral("Server received, But no response!! Kicked") << true;
        QTest::newRow("not at the start")
            << QStringLiteral("Kicked. Server received, But no response!!") << false;
        QTest::newRow("one exclamation mark")
            << QStringLiteral("Server received, But no response!") << false;
        QTest::newRow("a real answer") << QStringLiteral("World Saved") << false;
        QTest::newRow("empty") << QString() << false;
    }
    void noOutputAnswerInAnyCase() {
        QFETCH(QString, answer);
        QFETCH(bool, noOutput);
        QCOMPARE(AnswerText::isNoOutputAnswer(answer), noOutput);
    }
};

QTEST_GUILESS_MAIN(TestAnswerText)
#include "tst_answertext.moc"
