#include "base/IniFile.h"

#include "TestFiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A file an operator has touched by hand: comments, blank lines, odd spacing, other sections.
const QByteArray kEdited = "; settings of the console\r\n"
                           "[Design]\r\n"
                           "left=120\r\n"
                           "  Top = 80 \r\n"
                           "\r\n"
                           "[Other]\r\n"
                           "cinfo=7\r\n"
                           "[pum1]\r\n"
                           "cinfo=2\r\n"
                           "; keep me\r\n"
                           "\r\n";

// Latin-1 text widened to UTF-16LE or UTF-32 by hand, so the expected bytes do not come from the
// converter under test.
QByteArray widened(const QByteArray &latin1, int width, bool bigEndian) {
    QByteArray out;
    for (const char c : latin1) {
        QByteArray unit(width, '\0');
        unit[bigEndian ? width - 1 : 0] = c;
        out += unit;
    }
    return out;
}
QByteArray utf16(const QByteArray &latin1) {
    return widened(latin1, 2, false);
}
QByteArray utf32(const QByteArray &latin1, bool bigEndian) {
    return widened(latin1, 4, bigEndian);
}

} // namespace

using namespace Qt::StringLiterals;

class TestIniFile : public QObject {
    Q_OBJECT

private slots:
    void init() {
        QVERIFY(m_dir.isValid());
        QFile::remove(file());
    }

    void readInt_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("expected");

        const QByteArray pumOnly = "[pum1]\r\ncinfo=3\r\n";
        QTest::newRow("file with only pum1: option read") << pumOnly << "pum1"
                                                          << "cinfo" << 3;
        QTest::newRow("file with only pum1: layout default") << pumOnly << "Design"
                                                             << "left" << -99;
        QTest::newRow("abc gives default") << QByteArray("[pum1]\r\ncinfo=abc\r\n") << "pum1"
                                           << "cinfo" << -99;
        QTest::newRow("digits then letters give default")
            << QByteArray("[pum1]\r\ncinfo=12abc\r\n") << "pum1"
            << "cinfo" << -99;
        QTest::newRow("empty value gives default") << QByteArray("[pum1]\r\ncinfo=\r\n") << "pum1"
                                                   << "cinfo" << -99;
        QTest::newRow("0x1F") << QByteArray("[pum1]\r\ncinfo=0x1F\r\n") << "pum1"
                              << "cinfo" << 31;
        QTest::newRow("0X1f") << QByteArray("[pum1]\r\ncinfo=0X1f\r\n") << "pum1"
                              << "cinfo" << 31;
        QTest::newRow("0x alone gives default") << QByteArray("[pum1]\r\ncinfo=0x\r\n") << "pum1"
                                                << "cinfo" << -99;
        QTest::newRow("0x with a sign gives default")
            << QByteArray("[pum1]\r\ncinfo=0x-1\r\n") << "pum1"
            << "cinfo" << -99;
        QTest::newRow("negative") << QByteArray("[Design]\r\nleft=-7\r\n") << "Design"
                                  << "left" << -7;
        QTest::newRow("blanks around") << QByteArray("[Design]\r\n  left  =  12  \r\n") << "Design"
                                       << "left" << 12;
        QTest::newRow("beyond 32 bits gives default")
            << QByteArray("[Design]\r\nleft=4294967296\r\n") << "Design"
            << "left" << -99;
        QTest::newRow("missing key") << QByteArray("[pum1]\r\nggl=1\r\n") << "pum1"
                                     << "cinfo" << -99;
        QTest::newRow("key and section without case")
            << QByteArray("[PUM1]\r\nCInfo=4\r\n") << "pum1"
            << "cinfo" << 4;
        QTest::newRow("same key in another section is not taken")
            << QByteArray("[Other]\r\ncinfo=4\r\n[pum1]\r\n") << "pum1"
            << "cinfo" << -99;
        QTest::newRow("first of two equal keys")
            << QByteArray("[pum1]\r\ncinfo=2\r\ncinfo=3\r\n") << "pum1"
            << "cinfo" << 2;
        QTest::newRow("LF line ends") << QByteArray("[pum1]\ncinfo=2\n") << "pum1"
                                      << "cinfo" << 2;
        QTest::newRow("UTF-8 byte-order mark")
            << QByteArray("\xEF\xBB\xBF[pum1]\r\ncinfo=2\r\n") << "pum1"
            << "cinfo" << 2;
        QTest::newRow("UTF-32LE byte-order mark")
            << "\xFF\xFE\0\0"_ba + utf32("[pum1]\r\ncinfo=0x1F\r\n", false) << "pum1"
            << "cinfo" << 31;
        QTest::newRow("UTF-32BE byte-order mark")
            << "\0\0\xFE\xFF"_ba + utf32("[pum1]\r\ncinfo=2\r\n", true) << "pum1"
            << "cinfo" << 2;
        QTest::newRow("UTF-16LE of odd length")
            << "\xFF\xFE"_ba + utf16("[pum1]\r\ncinfo=2") + "\x7A"
            << "pum1"
            << "cinfo" << 2;
    }

    void readInt() {
        QFETCH(QByteArray, content);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(int, expected);

        writeBytes(file(), content);
        const IniFile ini(file());
        QCOMPARE(ini.readInt(section, key, -99), expected);
        QVERIFY(ini.errorString().isEmpty());
    }

    void missingFileGivesDefaultsAndEmptyAccessorValues() {
        const IniFile ini(file());
        QVERIFY(!ini.exists());
        QCOMPARE(ini.readInt("pum1", "cinfo", 1), 1);
        QCOMPARE(ini.readString("Config", "Cname", "Admin"), QStringLiteral("Admin"));
        QCOMPARE(ini.inilesint("pum1", "cinfo"), 0);
        QCOMPARE(ini.inilesstr("Config", "Cname"), QString());
        QVERIFY(ini.errorString().isEmpty());
    }

    void readString_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("expected");

        QTest::newRow("plain") << QByteArray("Cname=Night Watch") << "Night Watch";
        QTest::newRow("blanks trimmed") << QByteArray("Cname =  Ops  ") << "Ops";
        QTest::newRow("quotes dropped") << QByteArray("Cname=\" Ops \"") << " Ops ";
        QTest::newRow("equals sign in value") << QByteArray("Cname=a=b") << "a=b";
        QTest::newRow("Windows-1252") << QByteArray("Cname=J\xe4ger \x80") << "J\u00e4ger \u20ac";
        QTest::newRow("cut at 2047")
            << QByteArray("Cname=") + QByteArray(3000, 'n') << QString(2047, QLatin1Char('n'));
        QTest::newRow("empty") << QByteArray("Cname=") << "";
    }

    void readString() {
        QFETCH(QByteArray, line);
        QFETCH(QString, expected);
        writeBytes(file(), "[Config]\r\n" + line + "\r\n");
        QCOMPARE(IniFile(file()).readString("Config", "Cname", "Admin"), expected);
    }

    void writesCreateTheFile() {
        IniFile ini(file());
        QVERIFY(ini.inischint("pum1", "cinfo", 2));
        QVERIFY(ini.inischint("pum1", "ggl", -1));
        QVERIFY(ini.inischstr("Config", "Cname", QStringLiteral("J\u00e4ger")));
        QCOMPARE(readBytes(file()),
                 QByteArray("[pum1]\r\ncinfo=2\r\nggl=-1\r\n[Config]\r\nCname=J\xe4ger\r\n"));
        QCOMPARE(ini.inilesint("PUM1", "GGL"), -1);
        QCOMPARE(ini.inilesstr("config", "cname"), QStringLiteral("J\u00e4ger"));
    }

    void writeKeepsEverythingElse_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("expected");

        QTest::newRow("existing key, other spelling")
            << "design"
            << "TOP"
            << "90"
            << QByteArray("; settings of the console\r\n[Design]\r\nleft=120\r\nTop=90\r\n\r\n"
                          "[Other]\r\ncinfo=7\r\n[pum1]\r\ncinfo=2\r\n; keep me\r\n\r\n");
        QTest::newRow("new key goes after the section's last line")
            << "Design"
            << "width"
            << "900"
            << QByteArray("; settings of the console\r\n[Design]\r\nleft=120\r\n  Top = 80 \r\n"
                          "width=900\r\n\r\n[Other]\r\ncinfo=7\r\n[pum1]\r\ncinfo=2\r\n"
                          "; keep me\r\n\r\n");
        QTest::newRow("key of the right section only")
            << "pum1"
            << "cinfo"
            << "4"
            << QByteArray("; settings of the console\r\n[Design]\r\nleft=120\r\n  Top = 80 \r\n"
                          "\r\n[Other]\r\ncinfo=7\r\n[pum1]\r\ncinfo=4\r\n; keep me\r\n\r\n");
        QTest::newRow("new section at the end")
            << "Config"
            << "Cname"
            << "Admin" << kEdited + "[Config]\r\nCname=Admin\r\n";
        QTest::newRow("line break in a value cannot make a key")
            << "Config"
            << "Cname"
            << "a\r\ncinfo=0" << kEdited + "[Config]\r\nCname=a  cinfo=0\r\n";
    }

    void writeKeepsEverythingElse() {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, expected);

        writeBytes(file(), kEdited);
        IniFile ini(file());
        QVERIFY(ini.writeString(section, key, value));
        QCOMPARE(readBytes(file()), expected);
    }

    void writeChangesOnlyTheWrittenLine_data() {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");

        QTest::newRow("LF") << "Config" << QByteArray("[Config]\nCname=x\n[pum1]\ncinfo=1\n")
                            << QByteArray("[Config]\nCname=J\xe4ger\n[pum1]\ncinfo=1\n");
        QTest::newRow("UTF-8 with byte-order mark")
            << "Config" << QByteArray("\xEF\xBB\xBF[Config]\r\nCname=x\r\n")
            << QByteArray("\xEF\xBB\xBF[Config]\r\nCname=J\xC3\xA4ger\r\n");
        QTest::newRow("UTF-16LE with byte-order mark")
            << "C" << QByteArray("\xFF\xFE[\0C\0]\0\r\0\n\0", 12)
            << QByteArray("\xFF\xFE[\0C\0]\0\r\0\n\0C\0n\0a\0m\0e\0=\0J\0\xe4\0g\0e\0r\0\r\0\n\0",
                          38);
        QTest::newRow("UTF-32LE, other lines kept")
            << "Config"
            << "\xFF\xFE\0\0"_ba + utf32("[Config]\r\nCname=x\r\nother=\xe4\r\n", false)
            << "\xFF\xFE\0\0"_ba + utf32("[Config]\r\nCname=J\xe4ger\r\nother=\xe4\r\n", false);
        QTest::newRow("UTF-32BE, key added")
            << "Config"
            << "\0\0\xFE\xFF"_ba + utf32("[Config]\r\nother=1\r\n", true)
            << "\0\0\xFE\xFF"_ba + utf32("[Config]\r\nother=1\r\nCname=J\xe4ger\r\n", true);
        QTest::newRow("UTF-8 invalid bytes kept")
            << "Config" << QByteArray("\xEF\xBB\xBF[Config]\r\nCname=x\r\nnote=\xFF\xC3(\xE4\r\n")
            << QByteArray("\xEF\xBB\xBF[Config]\r\nCname=J\xC3\xA4ger\r\nnote=\xFF\xC3(\xE4\r\n");
        QTest::newRow("UTF-16LE odd length, last byte kept")
            << "Config"
            << "\xFF\xFE"_ba + utf16("[Config]\r\nCname=x\r\nk=v") + "\x7A"
            << "\xFF\xFE"_ba + utf16("[Config]\r\nCname=J\xe4ger\r\nk=v") + "\x7A";
        QTest::newRow("UTF-16LE odd length, key added before the last byte")
            << "Config"
            << "\xFF\xFE"_ba + utf16("[Config]\r\nk=v") + "\x7A"
            << "\xFF\xFE"_ba + utf16("[Config]\r\nk=v\r\nCname=J\xe4ger\r\n") + "\x7A";
        QTest::newRow("bare LF line in a CR LF file")
            << "Config" << QByteArray("[Config]\r\nCname=x\r\nlf=1\n[pum1]\r\ncinfo=1\r\n")
            << QByteArray("[Config]\r\nCname=J\xe4ger\r\nlf=1\n[pum1]\r\ncinfo=1\r\n");
        QTest::newRow("written line keeps its own LF")
            << "Config" << QByteArray("[Config]\r\nCname=x\nlf=1\r\n")
            << QByteArray("[Config]\r\nCname=J\xe4ger\nlf=1\r\n");
        QTest::newRow("last line without a break, rewritten")
            << "Config" << QByteArray("[pum1]\r\ncinfo=1\r\n[Config]\r\nCname=x")
            << QByteArray("[pum1]\r\ncinfo=1\r\n[Config]\r\nCname=J\xe4ger");
        QTest::newRow("last line without a break, key added")
            << "Config" << QByteArray("[Config]\r\nother=1")
            << QByteArray("[Config]\r\nother=1\r\nCname=J\xe4ger\r\n");
        QTest::newRow("last line without a break, section added")
            << "Config" << QByteArray("[pum1]\ncinfo=1")
            << QByteArray("[pum1]\ncinfo=1\n[Config]\nCname=J\xe4ger\n");
        QTest::newRow("bytes Windows-1252 leaves undefined")
            << "Config" << QByteArray("[Config]\r\nCname=x\r\nodd=\x81\x8D\x8F\x90\x9D\r\n")
            << QByteArray("[Config]\r\nCname=J\xe4ger\r\nodd=\x81\x8D\x8F\x90\x9D\r\n");
    }

    void writeChangesOnlyTheWrittenLine() {
        QFETCH(QString, section);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        writeBytes(file(), before);
        IniFile ini(file());
        QVERIFY(ini.writeString(section, "Cname", QStringLiteral("J\u00e4ger")));
        QCOMPARE(readBytes(file()), after);
        QCOMPARE(ini.readString(section, "Cname"), QStringLiteral("J\u00e4ger"));
        // Reading and writing agree on the encoding: a second write finds the file as it left it.
        QVERIFY(ini.writeString(section, "Cname", QStringLiteral("J\u00e4ger")));
        QCOMPARE(readBytes(file()), after);
    }

    void failedReadsAndWritesAreReported() {
        const QString blocker = m_dir.filePath(QStringLiteral("not-a-folder"));
        writeBytes(blocker, "x");
        IniFile unreachable(blocker + QStringLiteral("/app.ini"));
        QVERIFY(!unreachable.inischint("pum1", "cinfo", 2));
        QVERIFY(!unreachable.errorString().isEmpty());
        QCOMPARE(unreachable.readInt("pum1", "cinfo", 5), 5);

        // A folder where the file should be: reads fail too, and say so.
        IniFile folder(m_dir.path());
        QCOMPARE(folder.readInt("pum1", "cinfo", 5), 5);
        QVERIFY(!folder.errorString().isEmpty());
        QVERIFY(!folder.inischint("pum1", "cinfo", 2));
    }

    void removeDeletesTheFile() {
        writeBytes(file(), kEdited);
        IniFile ini(file());
        QVERIFY(ini.remove());
        QVERIFY(!ini.exists());
        QVERIFY(ini.remove()); // nothing left to delete is no failure
    }

private:
    QString file() const { return m_dir.filePath(QStringLiteral("app.ini")); }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
