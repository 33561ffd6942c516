#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// One Source RCON packet: little-endian size, id and type, the body bytes and two zero bytes.
// The codec is pure; RconChannel does the socket work around it.
class RconPacket final {
public:
    enum Type : qint32 {
        ResponseValue = 0,
        AuthResponse = 2,
        ExecCommand = 2,
        Auth = 3,
    };

    // Size field bytes plus the smallest packet: id, type and the trailer.
    static constexpr int HeaderBytes = 12;
    static constexpr int MinimumSize = 10;
    // A larger size field is a broken or hostile peer, never a real answer.
    static constexpr qint32 MaximumSize = 1024 * 1024;

    enum class DecodeStatus { NeedMore, Packet, Error };

    struct DecodeResult {
        DecodeStatus status = DecodeStatus::NeedMore;
        qint32 id = 0;
        qint32 type = 0;
        QByteArray body;
        qsizetype consumed = 0; // bytes of the buffer that the packet took
        QString error;
    };

    // Frames one packet; the body bytes go out as they are.
    static QByteArray encode(qint32 id, qint32 type, const QByteArray &body);

    // Decodes the packet at the start of data. A size field below 10 yields an empty body
    // and still consumes the id, type and trailer (14 bytes in all).
    static DecodeResult decode(const char *data, qsizetype length);
    static DecodeResult decode(const QByteArray &buffer);

    // Sending rule: every UTF-16 code unit below 0x80 is its own byte, every other one "?".
    static QByteArray encodeText(const QString &text);

    // Receiving rule: a valid UTF-8 sequence becomes its character, every other byte from 0x80
    // upward becomes U+FFFD.
    static QString decodeText(const QByteArray &bytes);
};
