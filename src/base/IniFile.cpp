#include "base/IniFile.h"

#include "base/AnsiCodec.h"
#include "base/WholeFile.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <limits>

namespace {

constexpr int kMaxTextLength = 2047;

enum class Encoding { Ansi, Utf8, Utf16LE, Utf16BE, Utf32LE, Utf32BE };

QString sectionName(const QString &trimmedLine) {
    const qsizetype close = trimmedLine.indexOf(QLatin1Char(']'));
    return trimmedLine.mid(1, close < 0 ? -1 : close - 1).trimmed();
}

bool isHexDigit(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
           (c >= QLatin1Char('a') && c <= QLatin1Char('f')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

bool isDecimalDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

int unitSize(Encoding encoding) {
    switch (encoding) {
    case Encoding::Utf16LE:
    case Encoding::Utf16BE:
        return 2;
    case Encoding::Utf32LE:
    case Encoding::Utf32BE:
        return 4;
    case Encoding::Ansi:
    case Encoding::Utf8:
        break;
    }
    return 1;
}

QStringConverter::Encoding converterFor(Encoding encoding) {
    switch (encoding) {
    case Encoding::Utf16LE:
        return QStringConverter::Utf16LE;
    case Encoding::Utf16BE:
        return QStringConverter::Utf16BE;
    case Encoding::Utf32LE:
        return QStringConverter::Utf32LE;
    case Encoding::Utf32BE:
        return QStringConverter::Utf32BE;
    case Encoding::Ansi:
    case Encoding::Utf8:
        break;
    }
    return QStringConverter::Utf8;
}

QByteArray encodeText(Encoding encoding, const QString &text) {
    if (encoding == Encoding::Ansi)
        return AnsiCodec::encode(text);
    QStringEncoder encoder(converterFor(encoding));
    return encoder.encode(text);
}

QString decodeText(Encoding encoding, const QByteArray &bytes) {
    if (encoding == Encoding::Ansi)
        return AnsiCodec::decode(bytes);
    // Every line starts a decoder of its own; a U+FEFF at its start is text, not a mark.
    QStringDecoder decoder(converterFor(encoding), QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

QString unquoted(const QString &value) {
    if (value.size() >= 2 &&
        (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
        value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

} // namespace

// One line as it is on disk: its bytes, the bytes of its line break (none on a last line without
// one) and its text, which is only used to find sections and keys.
struct IniFile::Line {
    QByteArray bytes;
    QByteArray end;
    QString text;
};

struct IniFile::Content {
    Encoding encoding = Encoding::Ansi;
    QByteArray byteOrderMark;
    QList<Line> lines;
    // Bytes at the end too few for a whole character of a UTF-16 or UTF-32 file.
    QByteArray tail;
};

IniFile::IniFile(const QString &fileName)
    : m_fileName(fileName) {}

bool IniFile::exists() const {
    return QFile::exists(m_fileName);
}

bool IniFile::remove() {
    QFile file(m_fileName);
    if (!file.exists() || file.remove()) {
        m_errorString.clear();
        return true;
    }
    m_errorString = file.errorString();
    return false;
}

QString IniFile::readString(const QString &section, const QString &key,
                            const QString &defaultValue) const {
    Content content;
    if (!readContent(&content))
        return defaultValue;
    const int line = findKey(content.lines, section, key);
    if (line < 0)
        return defaultValue;
    const QString &text = content.lines.at(line).text;
    const QString value = unquoted(text.mid(text.indexOf(QLatin1Char('=')) + 1).trimmed());
    return value.left(kMaxTextLength);
}

int IniFile::readInt(const QString &section, const QString &key, int defaultValue) const {
    int value = 0;
    if (!parseInt(readString(section, key), &value))
        return defaultValue;
    return value;
}

bool IniFile::writeString(const QString &section, const QString &key, const QString &value) {
    return writeStrings({{section, key, value}});
}

bool IniFile::writeStrings(const QList<Setting> &settings) {
    Content content;
    if (!readContent(&content))
        return false;
    for (const Setting &setting : settings)
        setValue(&content, setting.section, setting.key, setting.value);
    return writeContent(content);
}

void IniFile::setValue(Content *content, const QString &section, const QString &key,
                       const QString &value) {
    // A line break in the value would end the line and turn the rest into another key.
    QString cleanValue = value;
    cleanValue.replace(QLatin1Char('\r'), QLatin1Char(' '));
    cleanValue.replace(QLatin1Char('\n'), QLatin1Char(' '));

    int sectionEnd = -1;
    const int at = findKey(content->lines, section, key, &sectionEnd);
    if (at >= 0) {
        Line &line = content->lines[at];
        line.text = line.text.left(line.text.indexOf(QLatin1Char('='))).trimmed() +
                    QLatin1Char('=') + cleanValue;
        line.bytes = encodeText(content->encoding, line.text);
    } else if (sectionEnd >= 0) {
        insertLine(content, sectionEnd, key + QLatin1Char('=') + cleanValue);
    } else {
        insertLine(content, int(content->lines.size()),
                   QLatin1Char('[') + section + QLatin1Char(']'));
        insertLine(content, int(content->lines.size()), key + QLatin1Char('=') + cleanValue);
    }
}

void IniFile::insertLine(Content *content, int at, const QString &text) {
    QByteArray end = at > 0 ? content->lines.at(at - 1).end : QByteArray();
    if (end.isEmpty()) {
        const auto withEnd = std::find_if(content->lines.cbegin(), content->lines.cend(),
                                          [](const Line &line) { return !line.end.isEmpty(); });
        end = withEnd != content->lines.cend()
                  ? withEnd->end
                  : encodeText(content->encoding, QStringLiteral("\r\n"));
    }
    // The last line may have had no line break; a line after it needs one.
    if (at > 0 && content->lines.at(at - 1).end.isEmpty())
        content->lines[at - 1].end = end;
    content->lines.insert(at, Line{encodeText(content->encoding, text), end, text});
}

bool IniFile::writeInt(const QString &section, const QString &key, int value) {
    return writeString(section, key, QString::number(value));
}

bool IniFile::inischstr(const QString &section, const QString &key, const QString &value) {
    return writeString(section, key, value);
}

bool IniFile::inischint(const QString &section, const QString &key, int value) {
    return writeInt(section, key, value);
}

QString IniFile::inilesstr(const QString &section, const QString &key) const {
    return readString(section, key, QString());
}

int IniFile::inilesint(const QString &section, const QString &key) const {
    return readInt(section, key, 0);
}

bool IniFile::parseInt(const QString &text, int *value) {
    const QString t = text.trimmed();
    bool ok = false;
    qlonglong result = 0;
    if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const QString digits = t.mid(2);
        // toLongLong would also take a sign or blanks after the prefix.
        const bool allHex =
            !digits.isEmpty() && std::all_of(digits.cbegin(), digits.cend(), isHexDigit);
        if (allHex)
            result = digits.toLongLong(&ok, 16);
    } else {
        const qsizetype start =
            t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+')) ? 1 : 0;
        const bool allDigits =
            t.size() > start && std::all_of(t.cbegin() + start, t.cend(), isDecimalDigit);
        if (allDigits)
            result = t.toLongLong(&ok, 10);
    }
    if (!ok || result < std::numeric_limits<int>::min() || result > std::numeric_limits<int>::max())
        return false;
    *value = static_cast<int>(result);
    return true;
}

bool IniFile::readContent(Content *content) const {
    QByteArray bytes;
    const WholeFile::ReadResult result = WholeFile::read(m_fileName, &bytes, &m_errorString);
    if (result == WholeFile::ReadResult::Failed)
        return false;
    m_errorString.clear();
    parse(bytes, content);
    return true;
}

void IniFile::parse(const QByteArray &bytes, Content *content) {
    // UTF-32 first: its little-endian mark starts like the UTF-16 one.
    static const struct {
        const char *mark;
        int size;
        Encoding encoding;
    } kMarks[] = {
        {"\xFF\xFE\x00\x00", 4, Encoding::Utf32LE}, {"\x00\x00\xFE\xFF", 4, Encoding::Utf32BE},
        {"\xEF\xBB\xBF", 3, Encoding::Utf8},        {"\xFF\xFE", 2, Encoding::Utf16LE},
        {"\xFE\xFF", 2, Encoding::Utf16BE},
    };
    for (const auto &mark : kMarks) {
        if (bytes.startsWith(QByteArrayView(mark.mark, mark.size))) {
            content->encoding = mark.encoding;
            content->byteOrderMark = bytes.left(mark.size);
            break;
        }
    }

    const int unit = unitSize(content->encoding);
    const QByteArray lf = encodeText(content->encoding, QStringLiteral("\n"));
    const QByteArray cr = encodeText(content->encoding, QStringLiteral("\r"));
    const qsizetype begin = content->byteOrderMark.size();
    const qsizetype whole = bytes.size() - (bytes.size() - begin) % unit;
    content->tail = bytes.mid(whole);

    const QByteArrayView body(bytes.constData(), whole);
    qsizetype start = begin;
    qsizetype from = begin;
    while (start < whole) {
        const qsizetype found = body.indexOf(lf, from);
        if (found >= 0 && (found - begin) % unit != 0) {
            from = found + 1; // the bytes of a line feed inside another character
            continue;
        }
        const qsizetype lineEnd = found < 0 ? whole : found + unit;
        qsizetype textEnd = found < 0 ? whole : found;
        if (found >= 0 && textEnd - start >= unit && body.sliced(textEnd - unit, unit) == cr)
            textEnd -= unit;
        Line line;
        line.bytes = bytes.mid(start, textEnd - start);
        line.end = bytes.mid(textEnd, lineEnd - textEnd);
        line.text = decodeText(content->encoding, line.bytes);
        content->lines.append(line);
        start = from = lineEnd;
    }
}

bool IniFile::writeContent(const Content &content) {
    QByteArray bytes = content.byteOrderMark;
    for (const Line &line : content.lines)
        bytes += line.bytes + line.end;
    bytes += content.tail;
    if (!WholeFile::write(m_fileName, bytes, &m_errorString))
        return false;
    m_errorString.clear();
    return true;
}

int IniFile::findKey(const QList<Line> &lines, const QString &section, const QString &key,
                     int *sectionEnd) {
    enum { Before, InFirst, After } first = Before;
    int end = -1;
    bool inSection = false;
    for (int i = 0; i < lines.size(); ++i) {
        const QString &text = lines.at(i).text;
        const QString trimmed = text.trimmed();
        if (trimmed.startsWith(QLatin1Char('['))) {
            inSection = sectionName(trimmed).compare(section, Qt::CaseInsensitive) == 0;
            if (inSection && first == Before) {
                first = InFirst;
                end = i + 1;
            } else if (first == InFirst) {
                first = After;
            }
            continue;
        }
        // A new key goes after the last line of the first such section, not after blanks.
        if (first == InFirst && !trimmed.isEmpty())
            end = i + 1;
        if (!inSection)
            continue;
        const qsizetype equals = text.indexOf(QLatin1Char('='));
        if (equals >= 0 && text.left(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    if (sectionEnd)
        *sectionEnd = end;
    return -1;
}
