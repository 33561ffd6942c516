#include "commands/QueueFile.h"

#include <QtEndian>

#include <limits>

namespace {

constexpr char kSignature[] = "TPF0";
constexpr quint8 kItemDataVersion = 5;
constexpr int kMaxTextLength = 255;
constexpr int kTextsPerEntry = 3;
constexpr qint32 kQueueIcon = 8;
// Deeper nesting than any view writes means the bytes are not what they claim to be.
constexpr int kMaxDepth = 64;
// More texts per entry than a view has columns is not a list of entries.
constexpr qint32 kMaxTextsPerEntry = 1024;

constexpr char kItemsProperty[] = "Items.ItemData";
constexpr char kColumnsProperty[] = "Columns";

// The text as the format stores it: at most 255 code units, never half a surrogate pair.
QStringView storedText(const QString &text) {
    qsizetype length = std::min<qsizetype>(text.size(), kMaxTextLength);
    if (length < text.size() && length > 0 && text.at(length - 1).isHighSurrogate())
        --length;
    return QStringView(text).left(length);
}

class Writer final {
public:
    QByteArray bytes;

    void u8(int value) { bytes.append(char(quint8(value))); }
    void i16(qint16 value) {
        char raw[2];
        qToLittleEndian(value, raw);
        bytes.append(raw, 2);
    }
    void i32(qint32 value) {
        char raw[4];
        qToLittleEndian(value, raw);
        bytes.append(raw, 4);
    }
    void shortString(const QByteArray &utf8) {
        u8(int(utf8.size()));
        bytes.append(utf8);
    }
    void name(const char *text) { shortString(QByteArray(text)); }
    // The smallest of the three integer tags that holds the value, as object streams do.
    void integer(qint32 value) {
        if (value >= std::numeric_limits<qint8>::min() &&
            value <= std::numeric_limits<qint8>::max()) {
            u8(QueueFile::vaInt8);
            u8(value);
        } else if (value >= std::numeric_limits<qint16>::min() &&
                   value <= std::numeric_limits<qint16>::max()) {
            u8(QueueFile::vaInt16);
            i16(qint16(value));
        } else {
            u8(QueueFile::vaInt32);
            i32(value);
        }
    }
    void string(const QString &text) {
        bool ascii = true;
        for (const QChar c : text)
            ascii = ascii && c.unicode() < 0x80;
        if (ascii && text.size() <= kMaxTextLength) {
            u8(QueueFile::vaString);
            shortString(text.toLatin1());
            return;
        }
        const QByteArray utf8 = text.toUtf8();
        u8(QueueFile::vaUTF8String);
        i32(qint32(utf8.size()));
        bytes.append(utf8);
    }
    void utf16Text(QStringView text) {
        u8(int(text.size()));
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        bytes.append(reinterpret_cast<const char *>(text.utf16()), 2 * text.size());
#else
        for (const QChar c : text) {
            char raw[2];
            qToLittleEndian(c.unicode(), raw);
            bytes.append(raw, 2);
        }
#endif
    }
};

QByteArray itemData(const QVector<QueueEntry> &entries) {
    qint32 size = 0;
    for (const QueueEntry &entry : entries) {
        size += 25 + 1 + 2 * qint32(storedText(entry.scriptName).size());
        for (const QString *text : {&entry.command, &entry.timeField, &entry.server})
            size += 2 * qint32(storedText(*text).size()) + 7;
    }
    Writer w;
    w.bytes.reserve(size + 16);
    w.u8(kItemDataVersion);
    w.i32(size);
    w.i32(qint32(entries.size()));
    for (const QueueEntry &entry : entries) {
        w.i32(kQueueIcon);
        w.i32(-1); // state icon
        w.i32(-1); // overlay icon
        w.i32(kTextsPerEntry);
        w.i32(-1); // group
        w.i32(0);  // data
        w.utf16Text(storedText(entry.scriptName));
        for (const QString *text : {&entry.command, &entry.timeField, &entry.server}) {
            w.utf16Text(storedText(*text));
            w.i32(0);
        }
    }
    for (qsizetype i = 0; i < entries.size() * kTextsPerEntry; ++i)
        w.i16(-1); // no icon beside a text
    return w.bytes;
}

// Reads forward through a byte range; the first failure stops it and keeps its reason.
class Reader final {
public:
    explicit Reader(QByteArrayView bytes)
        : m_bytes(bytes) {}

    bool failed() const { return !m_error.isEmpty(); }
    QString error() const { return m_error; }
    qsizetype position() const { return m_pos; }
    qsizetype remaining() const { return m_bytes.size() - m_pos; }

    bool fail(const QString &reason) {
        if (m_error.isEmpty())
            m_error = reason;
        return false;
    }
    bool need(qint64 count) {
        if (count < 0 || count > remaining())
            return fail(QStringLiteral("the file ends early"));
        return true;
    }
    bool skip(qint64 count) {
        if (!need(count))
            return false;
        m_pos += count;
        return true;
    }
    bool peek(quint8 *value) {
        if (!need(1))
            return false;
        *value = quint8(m_bytes.at(m_pos));
        return true;
    }
    bool u8(quint8 *value) {
        if (!peek(value))
            return false;
        ++m_pos;
        return true;
    }
    bool i32(qint32 *value) {
        if (!need(4))
            return false;
        *value = qFromLittleEndian<qint32>(m_bytes.data() + m_pos);
        m_pos += 4;
        return true;
    }
    bool bytes(qint64 count, QByteArrayView *out) {
        if (!need(count))
            return false;
        *out = m_bytes.sliced(m_pos, count);
        m_pos += count;
        return true;
    }
    bool shortString(QByteArray *out) {
        quint8 length = 0;
        QByteArrayView view;
        if (!u8(&length) || !bytes(length, &view))
            return false;
        *out = view.toByteArray();
        return true;
    }
    bool utf16Text(QString *out) {
        quint8 length = 0;
        QByteArrayView view;
        if (!u8(&length) || !bytes(2 * qint64(length), &view))
            return false;
        out->resize(length);
        for (int i = 0; i < length; ++i)
            (*out)[i] = QChar(qFromLittleEndian<quint16>(view.data() + 2 * i));
        return true;
    }
    // The value of an integer tag.
    bool integer(quint8 tag, qint32 *value) {
        QByteArrayView view;
        switch (tag) {
        case QueueFile::vaInt8:
            if (!bytes(1, &view))
                return false;
            *value = qint8(view.at(0));
            return true;
        case QueueFile::vaInt16:
            if (!bytes(2, &view))
                return false;
            *value = qFromLittleEndian<qint16>(view.data());
            return true;
        case QueueFile::vaInt32:
            return i32(value);
        default:
            return fail(QStringLiteral("an integer was expected at byte %1").arg(m_pos - 1));
        }
    }
    bool lengthAndBytes(qint64 unit) {
        qint32 count = 0;
        return i32(&count) && skip(unit * count);
    }

    bool skipValue(quint8 tag, int depth) {
        if (depth > kMaxDepth)
            return fail(QStringLiteral("values nested too deep at byte %1").arg(m_pos));
        QByteArray text;
        switch (tag) {
        case QueueFile::vaNull:
        case QueueFile::vaFalse:
        case QueueFile::vaTrue:
        case QueueFile::vaNil:
            return true;
        case QueueFile::vaList:
            for (;;) {
                quint8 next = 0;
                if (!u8(&next))
                    return false;
                if (next == QueueFile::vaNull)
                    return true;
                if (!skipValue(next, depth + 1))
                    return false;
            }
        case QueueFile::vaInt8:
            return skip(1);
        case QueueFile::vaInt16:
            return skip(2);
        case QueueFile::vaInt32:
        case QueueFile::vaSingle:
            return skip(4);
        case QueueFile::vaExtended:
            return skip(10);
        case QueueFile::vaCurrency:
        case QueueFile::vaDate:
        case QueueFile::vaInt64:
        case QueueFile::vaDouble:
            return skip(8);
        case QueueFile::vaString:
        case QueueFile::vaIdent:
            return shortString(&text);
        case QueueFile::vaBinary:
        case QueueFile::vaLString:
        case QueueFile::vaUTF8String:
            return lengthAndBytes(1);
        case QueueFile::vaWString:
            return lengthAndBytes(2);
        case QueueFile::vaSet:
            for (;;) {
                if (!shortString(&text))
                    return false;
                if (text.isEmpty())
                    return true;
            }
        case QueueFile::vaCollection:
            return collection(depth, [this, depth](const QByteArray &, quint8 valueTag) {
                return skipValue(valueTag, depth + 1);
            });
        default:
            return fail(QStringLiteral("unknown value tag %1 at byte %2").arg(tag).arg(m_pos - 1));
        }
    }

    // Properties up to the empty name; `property` reads or skips each value.
    template <typename Property> bool properties(Property property) {
        for (;;) {
            QByteArray name;
            quint8 tag = 0;
            if (!shortString(&name))
                return false;
            if (name.isEmpty())
                return true;
            if (!u8(&tag) || !property(name, tag))
                return false;
        }
    }

    // The items of a collection up to its closing 0: each an optional order value, the byte 1
    // and properties. `property` sees every item's properties; `itemStarted` runs before each.
    template <typename Property, typename ItemStarted = void (*)()>
    bool collection(
        int depth, Property property, ItemStarted itemStarted = [] {}) {
        for (;;) {
            quint8 next = 0;
            if (!u8(&next))
                return false;
            if (next == QueueFile::vaNull)
                return true;
            if (next == QueueFile::vaInt8 || next == QueueFile::vaInt16 ||
                next == QueueFile::vaInt32) {
                qint32 order = 0;
                if (!integer(next, &order) || !u8(&next))
                    return false;
            }
            if (next != QueueFile::vaList)
                return fail(
                    QStringLiteral("a collection item was expected at byte %1").arg(m_pos - 1));
            if (depth + 1 > kMaxDepth)
                return fail(QStringLiteral("values nested too deep at byte %1").arg(m_pos));
            itemStarted();
            if (!properties(property))
                return false;
        }
    }

private:
    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
    QString m_error;
};

bool isInteger(quint8 tag) {
    return tag == QueueFile::vaInt8 || tag == QueueFile::vaInt16 || tag == QueueFile::vaInt32;
}

void readColumns(Reader &reader, QueueFile::ReadResult *result) {
    QVector<int> widths;
    const bool ok = reader.collection(
        0,
        [&reader, &widths](const QByteArray &name, quint8 tag) {
            if (name == "Width" && isInteger(tag)) {
                qint32 width = 0;
                if (!reader.integer(tag, &width))
                    return false;
                widths.last() = width;
                return true;
            }
            return reader.skipValue(tag, 1);
        },
        [&widths] { widths << -1; });
    if (!ok || widths.size() != QueueFile::kColumnCount || widths.contains(-1))
        return;
    result->hasColumnWidths = true;
    std::copy(widths.cbegin(), widths.cend(), result->columnWidths.begin());
}

// The entries of "Items.ItemData"; those before a damaged one are kept.
void readItems(QByteArrayView bytes, bool cutShort, QueueFile::ReadResult *result) {
    Reader reader(bytes);
    quint8 version = 0;
    qint32 size = 0;
    qint32 count = 0;
    if (!reader.u8(&version) || !reader.i32(&size) || !reader.i32(&count)) {
        result->problem = QStringLiteral("the entries end before their count");
        return;
    }
    if (version != kItemDataVersion) {
        result->problem =
            QStringLiteral("the entries are stored in an unknown layout (%1)").arg(version);
        return;
    }
    if (count < 0) {
        result->problem = QStringLiteral("the entry count %1 is negative").arg(count);
        return;
    }
    result->announced = count;
    for (qint32 i = 0; i < count; ++i) {
        qint32 header[6] = {};
        bool ok = true;
        for (qint32 &field : header)
            ok = ok && reader.i32(&field);
        const qint32 textCount = header[3];
        QueueEntry entry;
        QString texts[kTextsPerEntry];
        ok = ok && reader.utf16Text(&entry.scriptName);
        if (ok && (textCount < 0 || textCount > kMaxTextsPerEntry)) {
            result->problem = QStringLiteral("entry %1 claims %2 texts").arg(i + 1).arg(textCount);
            return;
        }
        for (qint32 t = 0; ok && t < textCount; ++t) {
            QString text;
            qint32 data = 0;
            ok = reader.utf16Text(&text) && reader.i32(&data);
            if (t < kTextsPerEntry)
                texts[t] = text;
        }
        if (!ok) {
            result->problem = cutShort ? QStringLiteral("the file ends inside entry %1").arg(i + 1)
                                       : QStringLiteral("entry %1 is damaged").arg(i + 1);
            return;
        }
        entry.command = texts[0];
        entry.setTimeField(texts[1]);
        entry.server = texts[2];
        result->entries << entry;
    }
}

} // namespace

QStringList QueueFile::columnCaptions() {
    return {QStringLiteral("Script name"), QStringLiteral("Script command"),
            QStringLiteral("Start time"), QStringLiteral("Server")};
}

QByteArray QueueFile::write(const QVector<QueueEntry> &entries, const ColumnWidths &widths) {
    const QByteArray items = itemData(entries);
    Writer w;
    w.bytes.reserve(items.size() + 256);
    w.bytes.append(kSignature, 4);
    w.name("TListView");
    w.name("ListView4");
    w.name(kColumnsProperty);
    w.u8(vaCollection);
    const QStringList captions = columnCaptions();
    for (int column = 0; column < kColumnCount; ++column) {
        w.u8(vaList);
        w.name("Caption");
        w.string(captions.at(column));
        w.name("Width");
        w.integer(widths.at(column));
        w.u8(0);
    }
    w.u8(0);
    w.name(kItemsProperty);
    w.u8(vaBinary);
    w.i32(qint32(items.size()));
    w.bytes.append(items);
    w.u8(0); // end of the properties
    w.u8(0); // no child objects
    return w.bytes;
}

QueueFile::ReadResult QueueFile::read(const QByteArray &bytes) {
    ReadResult result;
    if (!bytes.startsWith(kSignature)) {
        result.problem = QStringLiteral("the file is no object stream");
        return result;
    }
    Reader reader(QByteArrayView(bytes).sliced(4));
    quint8 prefix = 0;
    QByteArray className;
    QByteArray objectName;
    bool ok = reader.peek(&prefix);
    if (ok && (prefix & 0xF0) == 0xF0) {
        reader.u8(&prefix);
        quint8 tag = 0;
        qint32 position = 0;
        if (prefix & 0x02)
            ok = reader.u8(&tag) && reader.integer(tag, &position);
    }
    ok = ok && reader.shortString(&className) && reader.shortString(&objectName);

    bool itemsRead = false;
    ok = ok && reader.properties([&](const QByteArray &name, quint8 tag) {
        if (!itemsRead && name == kItemsProperty && tag == vaBinary) {
            qint32 length = 0;
            if (!reader.i32(&length))
                return false;
            if (length < 0)
                return reader.fail(QStringLiteral("the entries have a negative length"));
            const bool cutShort = length > reader.remaining();
            QByteArrayView items;
            reader.bytes(std::min<qint64>(length, reader.remaining()), &items);
            readItems(items, cutShort, &result);
            itemsRead = true;
            return !cutShort;
        }
        if (name == kColumnsProperty && tag == vaCollection) {
            readColumns(reader, &result);
            return !reader.failed();
        }
        return reader.skipValue(tag, 0);
    });
    // Damage after the entries costs nothing that the queue needs.
    if (!ok && !itemsRead && result.problem.isEmpty())
        result.problem = reader.error();
    return result;
}
