#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtEndian>

// Builds object-stream bytes by hand, value tag by value tag, so tests can make the files that
// other writers produce, damaged ones included, independently of the console's own writer.
class ObjectStream final {
public:
    QByteArray bytes;

    ObjectStream &u8(int value) {
        bytes.append(char(quint8(value)));
        return *this;
    }
    ObjectStream &i16(qint16 value) { return raw(value); }
    ObjectStream &i32(qint32 value) { return raw(value); }
    ObjectStream &i64(qint64 value) { return raw(value); }
    ObjectStream &append(const QByteArray &more) {
        bytes.append(more);
        return *this;
    }
    ObjectStream &shortString(const QByteArray &text) {
        u8(int(text.size()));
        return append(text);
    }
    // A property name, followed by its tagged value.
    ObjectStream &name(const char *text) { return shortString(QByteArray(text)); }
    // A short string of UTF-16 code units with its length byte, as the entries store text.
    ObjectStream &utf16(const QString &text) {
        u8(int(text.size()));
        for (const QChar c : text)
            i16(qint16(c.unicode()));
        return *this;
    }

    // The header of the queue view's stream.
    static ObjectStream header() {
        ObjectStream s;
        s.append("TPF0");
        s.shortString("TListView").shortString("ListView4");
        return s;
    }

    // "Items.ItemData" payload for entries of {script, command, time, server}, icon 8.
    static QByteArray itemData(const QList<QStringList> &entries) {
        qint32 size = 0;
        for (const QStringList &e : entries) {
            size += 25 + 1 + 2 * qint32(e.at(0).size());
            for (int t = 1; t <= 3; ++t)
                size += 2 * qint32(e.at(t).size()) + 7;
        }
        ObjectStream s;
        s.u8(5).i32(size).i32(qint32(entries.size()));
        for (const QStringList &e : entries) {
            s.i32(8).i32(-1).i32(-1).i32(3).i32(-1).i32(0).utf16(e.at(0));
            for (int t = 1; t <= 3; ++t)
                s.utf16(e.at(t)).i32(0);
        }
        for (qsizetype i = 0; i < entries.size() * 3; ++i)
            s.i16(-1);
        return s.bytes;
    }

    ObjectStream &items(const QList<QStringList> &entries) {
        const QByteArray data = itemData(entries);
        name("Items.ItemData").u8(10).i32(qint32(data.size()));
        return append(data);
    }
    // End of the properties and of the child objects.
    ObjectStream &end() { return u8(0).u8(0); }

private:
    template <typename T> ObjectStream &raw(T value) {
        char buffer[sizeof(T)];
        qToLittleEndian(value, buffer);
        bytes.append(buffer, sizeof(T));
        return *this;
    }
};
