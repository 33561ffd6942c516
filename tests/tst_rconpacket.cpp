#include "rcon/RconPacket.h"
#include "rcon/RequestCounter.h"
#include "rcon/StatusCode.h"

#include <QtTest>

#include <limits>

class TestRconPacket : public QObject {
    Q_OBJECT

private slots:
    void encodeFramesPacket_data();
    void encodeFramesPacket();
    void sendingRuleTurnsNonAsciiIntoQuestionMarks_data();
    void sendingRuleTurnsNonAsciiIntoQuestionMarks();
    void receivingRuleKeepsUtf8AndReplacesOtherHighBytes_data();
    void receivingRuleKeepsUtf8AndReplacesOtherHighBytes();
    void decodeWaitsForWholePacket();
    void decodeSmallSizeGivesEmptyBodyAndConsumesTrailer_data();
    void decodeSmallSizeGivesEmptyBodyAndConsumesTrailer();
    void decodeTakesPacketsOneAfterAnother();
    void decodeRejectsOversizedSizeWithoutWaitingForBody();
    void countersWrapToOneAndStayApart();
    void statusWordsAndSocketErrors_data();
    void statusWordsAndSocketErrors();
};

void TestRconPacket::encodeFramesPacket_data() {
    QTest::addColumn<qint32>("id");
    QTest::addColumn<qint32>("type");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("listplayers with id 5") << 5 << 2 << QByteArray("listplayers")
                                           << QByteArray::fromHex("15000000"
                                                                  "05000000"
                                                                  "02000000") +
                                                  "listplayers" + QByteArray(2, '\0');
    QTest::newRow("empty body is 14 bytes")
        << 1 << 3 << QByteArray() << QByteArray::fromHex("0a000000010000000300000000 00");
    QTest::newRow("largest id") << std::numeric_limits<qint32>::max() << 0 << QByteArray("x")
                                << QByteArray::fromHex("0b000000ffffff7f0000000078 0000");
}

void TestRconPacket::encodeFramesPacket() {
    QFETCH(qint32, id);
    QFETCH(qint32, type);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, expected);

    const QByteArray packet = RconPacket::encode(id, type, body);
    QCOMPARE(packet.toHex(' '), expected.toHex(' '));

    const RconPacket::DecodeResult back = RconPacket::decode(packet);
    QCOMPARE(back.status, RconPacket::DecodeStatus::Packet);
    QCOMPARE(back.consumed, packet.size());
    QCOMPARE(back.id, id);
    QCOMPARE(back.type, type);
    QCOMPARE(back.body, body);
}

void TestRconPacket::sendingRuleTurnsNonAsciiIntoQuestionMarks_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("umlauts") << QStringLiteral("Grüße") << QByteArray::fromHex("4772 3f3f 65");
    QTest::newRow("ascii unchanged")
        << QStringLiteral("ServerChat (Admin): hi!") << QByteArray("ServerChat (Admin): hi!");
    QTest::newRow("outside basic plane is two units")
        << QString::fromUtf8("a\xF0\x9F\x98\x80z") << QByteArray("a??z");
    QTest::newRow("DEL stays, U+0080 does not")
        << QString(QChar(0x7F)) + QChar(0x80) << QByteArray::fromHex("7f3f");
}

void TestRconPacket::sendingRuleTurnsNonAsciiIntoQuestionMarks() {
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(RconPacket::encodeText(text).toHex(' '), expected.toHex(' '));
}

void TestRconPacket::receivingRuleKeepsUtf8AndReplacesOtherHighBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");

    const QChar fffd = QChar::ReplacementCharacter;
    QTest::newRow("ascii") << QByteArray("0. Bob, 76561198000000001\n")
                           << QStringLiteral("0. Bob, 76561198000000001\n");
    QTest::newRow("two-byte sequence")
        << QByteArray::fromHex("4ac3b67267") << QStringLiteral("Jörg");
    QTest::newRow("three-byte sequence") << QByteArray::fromHex("e282ac") << QStringLiteral("€");
    QTest::newRow("four-byte sequence")
        << QByteArray::fromHex("f09f9880") << QString::fromUtf8("\xF0\x9F\x98\x80");
    QTest::newRow("Windows-1252 byte") << QByteArray::fromHex("4d fc 6c6c6572")
                                       << QStringLiteral("M") + fffd + QStringLiteral("ller");
    QTest::newRow("sequence cut at the end")
        << QByteArray::fromHex("41c3") << QStringLiteral("A") + fffd;
    QTest::newRow("lead byte before ascii")
        << QByteArray::fromHex("c341") << QString(fffd) + QStringLiteral("A");
    QTest::newRow("overlong form") << QByteArray::fromHex("c0af") << QString(2, fffd);
    QTest::newRow("encoded surrogate") << QByteArray::fromHex("eda080") << QString(3, fffd);
    QTest::newRow("past U+10FFFF") << QByteArray::fromHex("f4908080") << QString(4, fffd);
    QTest::newRow("stray continuation") << QByteArray::fromHex("80bf") << QString(2, fffd);
}

void TestRconPacket::receivingRuleKeepsUtf8AndReplacesOtherHighBytes() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, expected);
    QCOMPARE(RconPacket::decodeText(bytes), expected);
}

void TestRconPacket::decodeWaitsForWholePacket() {
    const QByteArray packet = RconPacket::encode(7, 0, "No Players Connected");
    for (qsizetype length = 0; length < packet.size(); ++length) {
        const RconPacket::DecodeResult result = RconPacket::decode(packet.constData(), length);
        QVERIFY2(result.status == RconPacket::DecodeStatus::NeedMore,
                 qPrintable(QStringLiteral("length %1").arg(length)));
        QCOMPARE(result.consumed, 0);
    }
}

void TestRconPacket::decodeSmallSizeGivesEmptyBodyAndConsumesTrailer_data() {
    QTest::addColumn<qint32>("size");
    QTest::newRow("10") << 10;
    QTest::newRow("9") << 9;
    QTest::newRow("0") << 0;
    QTest::newRow("negative") << -5;
}

void TestRconPacket::decodeSmallSizeGivesEmptyBodyAndConsumesTrailer() {
    QFETCH(qint32, size);
    QByteArray buffer(4, '\0');
    qToLittleEndian(size, buffer.data());
    buffer += QByteArray::fromHex("09000000 04000000 0000");
    const QByteArray next = RconPacket::encode(10, 0, "next");
    buffer += next;

    const RconPacket::DecodeResult first = RconPacket::decode(buffer);
    QCOMPARE(first.status, RconPacket::DecodeStatus::Packet);
    QCOMPARE(first.id, 9);
    QCOMPARE(first.type, 4);
    QVERIFY(first.body.isEmpty());
    QCOMPARE(first.consumed, 14);

    const RconPacket::DecodeResult second =
        RconPacket::decode(buffer.constData() + first.consumed, buffer.size() - first.consumed);
    QCOMPARE(second.status, RconPacket::DecodeStatus::Packet);
    QCOMPARE(second.body, QByteArray("next"));
}

void TestRconPacket::decodeTakesPacketsOneAfterAnother() {
    // An empty response value and an auth response in one segment, as servers send them.
    const QByteArray segment = RconPacket::encode(1, 0, QByteArray()) +
                               RconPacket::encode(1, 2, QByteArray()) +
                               RconPacket::encode(2, 0, "\n0. A, 76561198000000001\n").left(20);
    qsizetype offset = 0;
    QList<qint32> types;
    for (;;) {
        const RconPacket::DecodeResult result =
            RconPacket::decode(segment.constData() + offset, segment.size() - offset);
        if (result.status != RconPacket::DecodeStatus::Packet)
            break;
        types.append(result.type);
        offset += result.consumed;
    }
    QCOMPARE(types, (QList<qint32>{0, 2}));
    QCOMPARE(offset, 28);
}

void TestRconPacket::decodeRejectsOversizedSizeWithoutWaitingForBody() {
    QByteArray header(4, '\0');
    qToLittleEndian<qint32>(RconPacket::MaximumSize + 1, header.data());
    const RconPacket::DecodeResult tooBig = RconPacket::decode(header);
    QCOMPARE(tooBig.status, RconPacket::DecodeStatus::Error);
    QVERIFY(!tooBig.error.isEmpty());

    // Text where a header belongs reads as a huge size as well.
    QCOMPARE(RconPacket::decode(QByteArray("HTTP/1.1 400 Bad Request\r\n")).status,
             RconPacket::DecodeStatus::Error);

    qToLittleEndian<qint32>(RconPacket::MaximumSize, header.data());
    QCOMPARE(RconPacket::decode(header).status, RconPacket::DecodeStatus::NeedMore);
}

void TestRconPacket::countersWrapToOneAndStayApart() {
    RequestCounter counter;
    QCOMPARE(counter.next(), 1);
    QCOMPARE(counter.next(), 2);
    counter.setValue(std::numeric_limits<qint32>::max() - 1);
    QCOMPARE(counter.next(), std::numeric_limits<qint32>::max());
    QCOMPARE(counter.next(), 1);

    const qint32 command = CommandRequestId().value();
    RequestId().next();
    RequestId().next();
    QCOMPARE(CommandRequestId().value(), command);
    QVERIFY(&RequestId() != &CommandRequestId());
}

void TestRconPacket::statusWordsAndSocketErrors_data() {
    QTest::addColumn<int>("error");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("word");

    QTest::newRow("host not found")
        << int(QAbstractSocket::HostNotFoundError) << 3 << QStringLiteral("Untraceable");
    QTest::newRow("refused") << int(QAbstractSocket::ConnectionRefusedError) << 2
                             << QStringLiteral("Refused");
    QTest::newRow("system time-out is unknown")
        << int(QAbstractSocket::SocketTimeoutError) << 4 << QStringLiteral("Unknown");
    QTest::newRow("network error")
        << int(QAbstractSocket::NetworkError) << 4 << QStringLiteral("Unknown");
}

void TestRconPacket::statusWordsAndSocketErrors() {
    QFETCH(int, error);
    QFETCH(int, code);
    QFETCH(QString, word);
    const StatusCode status =
        statusCodeFromSocketError(static_cast<QAbstractSocket::SocketError>(error));
    QCOMPARE(int(status), code);
    QCOMPARE(statusWord(status), word);
    QCOMPARE(statusWord(StatusCode::Timeout), QStringLiteral("Timeout"));
    QCOMPARE(statusWord(StatusCode::BadLogin), QStringLiteral("Bad login"));
}

QTEST_GUILESS_MAIN(TestRconPacket)
#include "tst_rconpacket.moc"
