// The RCON byte stream as it arrives from a server: packets decoded from a buffer that grows by
// chunks of the sizes the input picks, the way the channel reads its socket. Whatever the chunk
// sizes, the packets (and a framing error, if any) must be those of the whole stream read at
// once; every body must encode back to itself and decode to text by the receiving rule.
#include "rcon/RconPacket.h"

#include "FuzzInput.h"

#include <QList>
#include <QStringDecoder>

namespace {

struct Packet {
    qint32 id;
    qint32 type;
    QByteArray body;
    bool operator==(const Packet &o) const {
        return id == o.id && type == o.type && body == o.body;
    }
};

struct Decoded {
    QList<Packet> packets;
    bool failed = false;
};

// Takes every complete packet off the front of the buffer; false once the framing is broken.
bool drain(QByteArray &buffer, Decoded &out) {
    qsizetype offset = 0;
    for (;;) {
        const RconPacket::DecodeResult packet =
            RconPacket::decode(buffer.constData() + offset, buffer.size() - offset);
        if (packet.status == RconPacket::DecodeStatus::NeedMore)
            break;
        if (packet.status == RconPacket::DecodeStatus::Error) {
            FUZZ_CHECK(!packet.error.isEmpty());
            out.failed = true;
            return false;
        }
        FUZZ_CHECK(packet.consumed >= RconPacket::HeaderBytes + 2);
        FUZZ_CHECK(packet.consumed <= buffer.size() - offset);
        FUZZ_CHECK(packet.body.size() == packet.consumed - RconPacket::HeaderBytes - 2);
        offset += packet.consumed;
        out.packets.append({packet.id, packet.type, packet.body});
    }
    buffer.remove(0, offset);
    return true;
}

void checkText(const QByteArray &body) {
    const QString text = RconPacket::decodeText(body);
    FUZZ_CHECK(text.size() <= body.size());
    // Stateless: a sequence cut off at the end is an error, not a wait for more bytes.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom |
                                                    QStringConverter::Flag::Stateless);
    const QString strict = utf8.decode(body);
    if (!utf8.hasError())
        FUZZ_CHECK(text == strict);
    // Sending keeps every code unit below 0x80 and turns the others into "?".
    const QByteArray sent = RconPacket::encodeText(text);
    FUZZ_CHECK(sent.size() == text.size());
    for (qsizetype i = 0; i < text.size(); ++i)
        FUZZ_CHECK(text.at(i).unicode() < 0x80 ? sent.at(i) == char(text.at(i).unicode())
                                               : sent.at(i) == '?');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzInput input(data, size);
    QList<int> chunkSizes;
    for (int n = input.number(0, 15); n > 0; --n)
        chunkSizes << 1 + input.byte();
    const QByteArray stream = input.rest();

    QByteArray whole = stream;
    Decoded reference;
    drain(whole, reference);

    Decoded chunked;
    QByteArray buffer;
    qsizetype at = 0;
    for (int i = 0; at < stream.size(); ++i) {
        const qsizetype length =
            chunkSizes.isEmpty() ? stream.size() : chunkSizes.at(i % chunkSizes.size());
        buffer.append(stream.mid(at, length));
        at += length;
        if (!drain(buffer, chunked))
            break;
    }
    FUZZ_CHECK(chunked.failed == reference.failed);
    FUZZ_CHECK(chunked.packets == reference.packets);
    if (!reference.failed)
        FUZZ_CHECK(buffer == whole);

    for (const Packet &packet : std::as_const(reference.packets)) {
        const QByteArray encoded = RconPacket::encode(packet.id, packet.type, packet.body);
        const RconPacket::DecodeResult again = RconPacket::decode(encoded);
        FUZZ_CHECK(again.status == RconPacket::DecodeStatus::Packet);
        FUZZ_CHECK(again.consumed == encoded.size());
        FUZZ_CHECK((Packet{again.id, again.type, again.body} == packet));
        checkText(packet.body);
    }
    // A stream too short for one packet still holds text the console may be handed.
    if (reference.packets.isEmpty())
        checkText(stream);
    return 0;
}
