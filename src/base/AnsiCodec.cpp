#include "base/AnsiCodec.h"

#include <QHash>
#include <QStringDecoder>

namespace {

// Windows-1252 bytes 0x80..0x9F; 0 marks the five bytes the code page leaves undefined.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

const QHash<char16_t, char> &reverseTable() {
    static const QHash<char16_t, char> table = [] {
        QHash<char16_t, char> t;
        for (int i = 0; i < 32; ++i) {
            if (kHighControls[i] != 0)
                t.insert(kHighControls[i], static_cast<char>(0x80 + i));
        }
        return t;
    }();
    return table;
}

} // namespace

QByteArray AnsiCodec::encode(const QString &text) {
    // Latin-1 conversion is vectorised; only the few characters where Windows-1252 differs from
    // Latin-1 (U+0080..U+009F and everything above U+00FF) are looked at one by one.
    QByteArray out = text.toLatin1();
    const char16_t *src = reinterpret_cast<const char16_t *>(text.constData());
    for (qsizetype i = 0, n = text.size(); i < n; ++i) {
        const char16_t u = src[i];
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
            continue;
        if (u < 0xA0 && kHighControls[u - 0x80] == 0)
            continue; // an undefined byte travels unchanged, as Latin-1 gave it
        const auto it = reverseTable().constFind(u);
        out[i] = it != reverseTable().constEnd() ? *it : '?';
    }
    return out;
}

QString AnsiCodec::decode(const QByteArray &bytes) {
    QString out;
    out.resize(bytes.size());
    QChar *dst = out.data();
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        *dst++ = (b >= 0x80 && b < 0xA0 && kHighControls[b - 0x80] != 0)
                     ? QChar(kHighControls[b - 0x80])
                     : QChar(char16_t(b));
    }
    return out;
}

QString AnsiCodec::decodeFile(const QByteArray &bytes) {
    if (bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") ||
        bytes.startsWith("\xFE\xFF")) {
        auto encoding = QStringConverter::encodingForData(bytes);
        QStringDecoder decoder(encoding.value_or(QStringConverter::Utf8));
        return decoder.decode(bytes);
    }
    return decode(bytes);
}
