#pragma once

#include <QByteArray>
#include <QtGlobal>

// The simulator's own framing, written apart from the console's codec so that a fault in one
// is not mirrored by the other.
namespace SimPacket {

struct Packet {
    qint32 id = 0;
    qint32 type = 0;
    QByteArray body;
};

QByteArray encode(qint32 id, qint32 type, const QByteArray &body);

// Takes one packet off the front of buffer. Returns false when more bytes are needed; sets
// broken when the size field cannot belong to a console request.
bool take(QByteArray &buffer, Packet &packet, bool &broken);

} // namespace SimPacket
