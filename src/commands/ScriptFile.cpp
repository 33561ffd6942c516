#include "commands/ScriptFile.h"

#include "base/AnsiCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {
const QByteArray kUtf8Bom("\xEF\xBB\xBF");
const QByteArray kUtf16LEBom("\xFF\xFE");
const QByteArray kUtf16BEBom("\xFE\xFF");

QString decodeWith(QStringConverter::Encoding encoding, QByteArrayView bytes) {
    // The mark is already taken off; a second one belongs to the text.
    QStringDecoder decoder(encoding, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

QByteArray encodeWith(QStringConverter::Encoding encoding, const QString &text) {
    QStringEncoder encoder(encoding);
    return encoder.encode(text);
}
} // namespace

QStringList ScriptFile::lines(const QString &text) {
    QStringList out;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        out << text.mid(start, i - start);
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    out << text.mid(start);
    return out;
}

ScriptFile ScriptFile::decode(const QByteArray &bytes) {
    ScriptFile script;
    QString text;
    if (bytes.startsWith(kUtf8Bom)) {
        script.encoding = Encoding::Utf8;
        text = decodeWith(QStringConverter::Utf8, QByteArrayView(bytes).sliced(kUtf8Bom.size()));
    } else if (bytes.startsWith(kUtf16LEBom)) {
        script.encoding = Encoding::Utf16LE;
        text =
            decodeWith(QStringConverter::Utf16LE, QByteArrayView(bytes).sliced(kUtf16LEBom.size()));
    } else if (bytes.startsWith(kUtf16BEBom)) {
        script.encoding = Encoding::Utf16BE;
        text =
            decodeWith(QStringConverter::Utf16BE, QByteArrayView(bytes).sliced(kUtf16BEBom.size()));
    } else {
        text = AnsiCodec::decode(bytes);
    }
    script.text = lines(text).join(QLatin1Char('\n'));
    return script;
}

QByteArray ScriptFile::encode() const {
    const QString onDisk = lines(text).join(QStringLiteral("\r\n"));
    switch (encoding) {
    case Encoding::Utf8:
        return kUtf8Bom + encodeWith(QStringConverter::Utf8, onDisk);
    case Encoding::Utf16LE:
        return kUtf16LEBom + encodeWith(QStringConverter::Utf16LE, onDisk);
    case Encoding::Utf16BE:
        return kUtf16BEBom + encodeWith(QStringConverter::Utf16BE, onDisk);
    case Encoding::Ansi:
        break;
    }
    return AnsiCodec::encode(onDisk);
}
