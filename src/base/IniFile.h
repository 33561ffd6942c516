#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The settings file "app.ini", read and written the way the platform's profile functions do:
// "[section]" lines, key=value lines, sections and keys found without regard to letter case.
// Every operation opens the file, does one read or write and closes it again. A write replaces
// the whole file through a temporary, but only the lines it writes change: every other byte,
// line break and invalid byte included, is copied through as it was.
class IniFile final {
public:
    explicit IniFile(const QString &fileName);

    QString fileName() const { return m_fileName; }
    bool exists() const;
    bool remove();
    // The reason of the last failed read or write; empty after a successful one.
    QString errorString() const { return m_errorString; }

    // The default when the file, the section or the key is missing; text values are cut to
    // their first 2047 characters, and surrounding blanks and quotes are dropped.
    QString readString(const QString &section, const QString &key,
                       const QString &defaultValue = QString()) const;
    // The default as well when the value is neither a decimal nor a "0x" hexadecimal integer.
    int readInt(const QString &section, const QString &key, int defaultValue = 0) const;

    // False when the file could not be read or written; errorString() says why.
    bool writeString(const QString &section, const QString &key, const QString &value);
    bool writeInt(const QString &section, const QString &key, int value);

    struct Setting {
        QString section;
        QString key;
        QString value;
    };
    // Several values in one rewrite of the file, in the given order.
    bool writeStrings(const QList<Setting> &settings);

    // The accessors under the names the rest of the console calls them by.
    bool inischstr(const QString &section, const QString &key, const QString &value);
    bool inischint(const QString &section, const QString &key, int value);
    QString inilesstr(const QString &section, const QString &key) const;
    int inilesint(const QString &section, const QString &key) const;

    // Optional sign and decimal digits, or "0x" and hexadecimal digits, within 32 bits.
    static bool parseInt(const QString &text, int *value);

private:
    // The file as raw byte lines with their own line breaks; defined beside the code.
    struct Line;
    struct Content;

    // False only when the file exists but cannot be read; a missing file is empty content.
    bool readContent(Content *content) const;
    bool writeContent(const Content &content);
    static void parse(const QByteArray &bytes, Content *content);
    static void setValue(Content *content, const QString &section, const QString &key,
                         const QString &value);
    // Puts a new line before line `at` with the line break of the line above it.
    static void insertLine(Content *content, int at, const QString &text);
    // The line index of the key in the section, or -1; sectionEnd is where a new key of an
    // existing section goes, -1 when the section is missing.
    static int findKey(const QList<Line> &lines, const QString &section, const QString &key,
                       int *sectionEnd = nullptr);

    QString m_fileName;
    mutable QString m_errorString;
};
