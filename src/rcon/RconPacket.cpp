#include "rcon/RconPacket.h"

#include <QtEndian>

namespace {

void appendInt32(QByteArray &out, qint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

qint32 readInt32(const char *data) {
    return qFromLittleEndian<qint32>(data);
}

// Length of the valid UTF-8 sequence at data (lead byte >= 0x80), 0 when it is not one.
int utf8SequenceLength(const unsigned char *data, qsizetype available, char32_t &codePoint) {
    const unsigned char lead = data[0];
    int length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (available < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((data[i] & 0xC0) != 0x80)
            return 0;
        value = (value << 6) | (data[i] & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not valid UTF-8.
    if (value < minimum || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)
        return 0;
    codePoint = value;
    return length;
}

} // namespace

QByteArray RconPacket::encode(qint32 id, qint32 type, const QByteArray &body) {
    QByteArray out;
    out.reserve(HeaderBytes + body.size() + 2);
    appendInt32(out, static_cast<qint32>(body.size() + MinimumSize));
    appendInt32(out, id);
    appendInt32(out, type);
    out.append(body);
    out.append('\0');
    out.append('\0');
    return out;
}

RconPacket::DecodeResult RconPacket::decode(const char *data, qsizetype length) {
    DecodeResult result;
    if (length < 4)
        return result;
    const qint32 size = readInt32(data);
    if (size > MaximumSize) {
        result.status = DecodeStatus::Error;
        result.error = QStringLiteral("Packet size %1 exceeds the limit of %2 bytes")
                           .arg(size)
                           .arg(MaximumSize);
        return result;
    }
    const qsizetype bodyLength = size > MinimumSize ? size - MinimumSize : 0;
    const qsizetype total = HeaderBytes + bodyLength + 2;
    if (length < total)
        return result;
    result.status = DecodeStatus::Packet;
    result.id = readInt32(data + 4);
    result.type = readInt32(data + 8);
    result.body = QByteArray(data + HeaderBytes, bodyLength);
    result.consumed = total;
    return result;
}

RconPacket::DecodeResult RconPacket::decode(const QByteArray &buffer) {
    return decode(buffer.constData(), buffer.size());
}

QByteArray RconPacket::encodeText(const QString &text) {
    QByteArray out(text.size(), Qt::Uninitialized);
    const QChar *units = text.constData();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t unit = units[i].unicode();
        out[i] = unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    return out;
}

QString RconPacket::decodeText(const QByteArray &bytes) {
    QString out;
    out.reserve(bytes.size());
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype size = bytes.size();
    qsizetype i = 0;
    while (i < size) {
        if (data[i] < 0x80) {
            const qsizetype start = i;
            while (i < size && data[i] < 0x80)
                ++i;
            out.append(QLatin1String(bytes.constData() + start, i - start));
            continue;
        }
        char32_t codePoint = 0;
        const int length = utf8SequenceLength(data + i, size - i, codePoint);
        if (length == 0) {
            out.append(QChar::ReplacementCharacter);
            ++i;
            continue;
        }
        if (codePoint > 0xFFFF) {
            out.append(QChar(QChar::highSurrogate(codePoint)));
            out.append(QChar(QChar::lowSurrogate(codePoint)));
        } else {
            out.append(QChar(static_cast<char16_t>(codePoint)));
        }
        i += length;
    }
    return out;
}
