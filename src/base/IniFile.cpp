#include "base/IniFile.h"

#include "base/AnsiCodec.h"

#include <QFile>
#include <QSaveFile>
#include <QStringEncoder>

#include <algorithm>
#include <limits>

namespace {

constexpr int kMaxTextLength = 2047;

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

QString unquoted(const QString &value) {
    if (value.size() >= 2 &&
        (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
        value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

} // namespace

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
    const QString &text = content.lines.at(line);
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
        setValue(&content.lines, setting.section, setting.key, setting.value);
    return writeContent(content);
}

void IniFile::setValue(QStringList *lines, const QString &section, const QString &key,
                       const QString &value) {
    // A line break in the value would end the line and turn the rest into another key.
    QString cleanValue = value;
    cleanValue.replace(QLatin1Char('\r'), QLatin1Char(' '));
    cleanValue.replace(QLatin1Char('\n'), QLatin1Char(' '));

    int sectionEnd = -1;
    const int line = findKey(*lines, section, key, &sectionEnd);
    if (line >= 0) {
        const QString &old = lines->at(line);
        (*lines)[line] =
            old.left(old.indexOf(QLatin1Char('='))).trimmed() + QLatin1Char('=') + cleanValue;
    } else if (sectionEnd >= 0) {
        lines->insert(sectionEnd, key + QLatin1Char('=') + cleanValue);
    } else {
        lines->append(QLatin1Char('[') + section + QLatin1Char(']'));
        lines->append(key + QLatin1Char('=') + cleanValue);
    }
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
    QFile file(m_fileName);
    if (!file.exists()) {
        m_errorString.clear();
        return true;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        m_errorString = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        m_errorString = file.errorString();
        return false;
    }
    m_errorString.clear();

    if (bytes.startsWith("\xEF\xBB\xBF"))
        content->encoding = Encoding::Utf8;
    else if (bytes.startsWith("\xFF\xFE"))
        content->encoding = Encoding::Utf16LE;
    else if (bytes.startsWith("\xFE\xFF"))
        content->encoding = Encoding::Utf16BE;
    const QString text = AnsiCodec::decodeFile(bytes);

    // Keep a file written with LF line ends that way.
    if (text.contains(QLatin1Char('\n')) && !text.contains(QLatin1String("\r\n")))
        content->lineEnd = QStringLiteral("\n");
    content->lines = text.split(QLatin1Char('\n'));
    if (!content->lines.isEmpty() && content->lines.constLast().isEmpty())
        content->lines.removeLast();
    for (QString &line : content->lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return true;
}

bool IniFile::writeContent(const Content &content) {
    QString text;
    for (const QString &line : content.lines)
        text += line + content.lineEnd;

    QByteArray bytes;
    switch (content.encoding) {
    case Encoding::Ansi:
        bytes = AnsiCodec::encode(text);
        break;
    case Encoding::Utf8:
        bytes = QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
        break;
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        QStringEncoder encoder(content.encoding == Encoding::Utf16LE ? QStringConverter::Utf16LE
                                                                     : QStringConverter::Utf16BE,
                               QStringConverter::Flag::WriteBom);
        bytes = encoder.encode(text);
        break;
    }
    }

    QSaveFile file(m_fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        m_errorString = file.errorString();
        return false;
    }
    m_errorString.clear();
    return true;
}

int IniFile::findKey(const QStringList &lines, const QString &section, const QString &key,
                     int *sectionEnd) {
    enum { Before, InFirst, After } first = Before;
    int end = -1;
    bool inSection = false;
    for (int i = 0; i < lines.size(); ++i) {
        const QString trimmed = lines.at(i).trimmed();
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
        const qsizetype equals = lines.at(i).indexOf(QLatin1Char('='));
        if (equals >= 0 &&
            lines.at(i).left(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    if (sectionEnd)
        *sectionEnd = end;
    return -1;
}
