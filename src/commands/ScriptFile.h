#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The text of one script file and the encoding it is kept in. A file with a UTF-8 or UTF-16 byte
// order mark is read in that encoding and written back in it, with its mark; any other file is
// Windows-1252. On disk lines end with CR LF, and the last line has a break only when the text
// ends with one.
struct ScriptFile final {
    enum class Encoding { Ansi, Utf8, Utf16LE, Utf16BE };

    QString text; // lines separated by "\n", as an editor holds them
    Encoding encoding = Encoding::Ansi;

    static ScriptFile decode(const QByteArray &bytes);
    QByteArray encode() const;

    // The lines of a text: CR LF, a lone LF and a lone CR each end one.
    static QStringList lines(const QString &text);
};
