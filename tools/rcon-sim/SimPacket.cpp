#include "SimPacket.h"

namespace {

void putInt(QByteArray &out, qint32 value) {
    const auto bits = static_cast<quint32>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out.append(static_cast<char>((bits >> shift) & 0xFF));
}

qint32 getInt(const QByteArray &buffer, int at) {
    quint32 bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = (bits << 8) | static_cast<quint8>(buffer.at(at + i));
    return static_cast<qint32>(bits);
}

} // namespace

namespace SimPacket {

QByteArray encode(qint32 id, qint32 type, const QByteArray &body) {
    QByteArray out;
    putInt(out, static_cast<qint32>(body.size()) + 10);
    putInt(out, id);
    putInt(out, type);
    out.append(body);
    out.append(2, '\0');
    return out;
}

bool take(QByteArray &buffer, Packet &packet, bool &broken) {
    broken = false;
    if (buffer.size() < 4)
        return false;
    const qint32 size = getInt(buffer, 0);
    // Console requests are small; anything else is a broken peer.
    if (size < 10 || size > 65536) {
        broken = true;
        return false;
    }
    if (buffer.size() < 4 + size)
        return false;
    packet.id = getInt(buffer, 4);
    packet.type = getInt(buffer, 8);
    packet.body = buffer.mid(12, size - 10);
    buffer.remove(0, 4 + size);
    return true;
}

} // namespace SimPacket
