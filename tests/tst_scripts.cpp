// Script files and the script folder: names, encodings and line breaks, the list, copy, delete,
// the editor's save and rename, and a script turned into queue entries with their start times.
#include "base/Clock.h"
#include "commands/CommandQueue.h"
#include "commands/QueueTime.h"
#include "commands/ScriptFile.h"
#include "commands/ScriptFolder.h"
#include "commands/ScriptSchedule.h"

#include "TestFiles.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(ScriptFile::Encoding)
Q_DECLARE_METATYPE(ScriptSchedule::Problem)
Q_DECLARE_METATYPE(ScriptFolder::SaveResult)

namespace {
const QDateTime kTen(QDate(2031, 6, 1), QTime(10, 0, 0));

QByteArray utf16(const QString &text, bool bigEndian) {
    QByteArray out;
    for (const QChar c : text) {
        const char high = char(c.unicode() >> 8);
        const char low = char(c.unicode() & 0xFF);
        out.append(bigEndian ? high : low).append(bigEndian ? low : high);
    }
    return out;
}
} // namespace

class TestScripts : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_folder = std::make_unique<ScriptFolder>(m_dir->path());
        QVERIFY(QDir().mkpath(m_folder->path()));
    }
    void cleanup() { Clock::reset(); }

    void scriptNames_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << QStringLiteral("Restart") << true;
        QTest::newRow("blanks inside and at the end") << QStringLiteral("Daily restart ") << true;
        QTest::newRow("umlauts and dots") << QStringLiteral("Tägliche.Wartung") << true;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("blank first") << QStringLiteral(" Restart") << false;
        for (const char *c : {"\\", "/", ":", "*", "?", "\"", "<", ">", "|"})
            QTest::addRow("with %s", c) << QStringLiteral("a%1b").arg(QLatin1String(c)) << false;
        QTest::newRow("test word") << QStringLiteral("lechmichdochtesttext") << false;
        QTest::newRow("test word in mixed case inside")
            << QStringLiteral("my LechMichDochTESTtext 2") << false;
    }
    void scriptNames() {
        QFETCH(QString, name);
        QFETCH(bool, valid);
        QCOMPARE(ScriptFolder::isValidName(name), valid);
    }

    void waitNumbers_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<ScriptSchedule::Problem>("problem");
        QTest::addColumn<int>("seconds");
        using P = ScriptSchedule::Problem;
        QTest::newRow("wait:15") << QStringLiteral("wait:15") << P::None << 15;
        QTest::newRow("words around the digits")
            << QStringLiteral("wait 2 minutes") << P::None << 2;
        QTest::newRow("every digit, in order") << QStringLiteral("wait:1 then 5") << P::None << 15;
        QTest::newRow("leading zeros") << QStringLiteral("wait:007") << P::None << 7;
        QTest::newRow("zero") << QStringLiteral("waiting 0") << P::None << 0;
        QTest::newRow("largest") << QStringLiteral("wait:2147483647") << P::None << 2147483647;
        QTest::newRow("one more") << QStringLiteral("wait:2147483648") << P::WaitTooLarge << 0;
        QTest::newRow("twenty digits")
            << QStringLiteral("wait:99999999999999999999") << P::WaitTooLarge << 0;
        QTest::newRow("no digit") << QStringLiteral("wait") << P::NoWaitNumber << 0;
        QTest::newRow("a word") << QStringLiteral("wait:fifteen") << P::NoWaitNumber << 0;
        QTest::newRow("other digits") << QStringLiteral("wait:١٥") << P::NoWaitNumber << 0;
    }
    void waitNumbers() {
        QFETCH(QString, line);
        QFETCH(ScriptSchedule::Problem, problem);
        QFETCH(int, seconds);
        int got = -1;
        QCOMPARE(ScriptSchedule::waitSeconds(line, &got), problem);
        if (problem == ScriptSchedule::Problem::None)
            QCOMPARE(got, seconds);
    }

    void scriptBecomesTimedEntries_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<QStringList>("expected"); // "command @ time field" per entry
        QTest::newRow("msg, wait:15, cmd:saveworld at ten")
            << QStringLiteral("msg:Hello all, server will be saved now\nwait:15\ncmd:saveworld\n")
            << kTen
            << QStringList{
                   QStringLiteral("msg:Hello all, server will be saved now @ 01.06.2031 10:00:00"),
                   QStringLiteral("cmd:saveworld @ 01.06.2031 10:00:15")};
        QTest::newRow("waits add up, lines without a wait share a time")
            << QStringLiteral("cmd:a\r\ncmd:b\r\nwait:10\r\nwait 5\r\ncmd:c") << kTen
            << QStringList{QStringLiteral("cmd:a @ 01.06.2031 10:00:00"),
                           QStringLiteral("cmd:b @ 01.06.2031 10:00:00"),
                           QStringLiteral("cmd:c @ 01.06.2031 10:00:15")};
        QTest::newRow("other lines are left out, case matters")
            << QStringLiteral("MSG:shouted\n Msg:indented\n// comment\n\ncmd:ok\rmsg:last") << kTen
            << QStringList{QStringLiteral("cmd:ok @ 01.06.2031 10:00:00"),
                           QStringLiteral("msg:last @ 01.06.2031 10:00:00")};
        QTest::newRow("across midnight and the year")
            << QStringLiteral("wait:7200\ncmd:saveworld")
            << QDateTime(QDate(2031, 12, 31), QTime(23, 30, 0))
            << QStringList{QStringLiteral("cmd:saveworld @ 01.01.2032 01:30:00")};
        QTest::newRow("comments only")
            << QStringLiteral("# nothing to do\nremember me") << kTen << QStringList();
        QTest::newRow("a time in the past")
            << QStringLiteral("cmd:saveworld") << QDateTime(QDate(2001, 1, 2), QTime(3, 4, 5))
            << QStringList{QStringLiteral("cmd:saveworld @ 02.01.2001 03:04:05")};
    }
    void scriptBecomesTimedEntries() {
        QFETCH(QString, text);
        QFETCH(QDateTime, start);
        QFETCH(QStringList, expected);
        CommandQueue queue(m_dir->path());
        const ScriptSchedule::Result result = ScriptSchedule::queueScript(
            &queue, QStringLiteral("Restart"), text, start, QStringLiteral("Island"));
        QVERIFY(result.ok());
        QStringList got;
        for (const QueueEntry &entry : queue.entries()) {
            QCOMPARE(entry.scriptName, QStringLiteral("Restart"));
            QCOMPARE(entry.server, QStringLiteral("Island"));
            got << entry.command + QStringLiteral(" @ ") + entry.timeField;
        }
        QCOMPARE(got, expected);
    }

    void aBadWaitRefusesTheWholeScript_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<ScriptSchedule::Problem>("problem");
        QTest::addColumn<int>("lineNumber");
        using P = ScriptSchedule::Problem;
        QTest::newRow("wait without digits")
            << QStringLiteral("msg:first\nwait:a while\ncmd:saveworld") << P::NoWaitNumber << 2;
        QTest::newRow("too many seconds")
            << QStringLiteral("cmd:one\ncmd:two\nwait:3000000000") << P::WaitTooLarge << 3;
        QString many = QStringLiteral("cmd:early\n");
        for (int i = 0; i < 200; ++i)
            many += QStringLiteral("wait:2147483647\n");
        // 68 years a line: the year 9999 is passed on the 118th wait after 2031.
        QTest::newRow("past the last year")
            << many + QStringLiteral("cmd:late") << P::WaitTooLarge << 119;
    }
    void aBadWaitRefusesTheWholeScript() {
        QFETCH(QString, text);
        QFETCH(ScriptSchedule::Problem, problem);
        QFETCH(int, lineNumber);
        CommandQueue queue(m_dir->path());
        QSignalSpy inserted(&queue, &CommandQueue::entriesInserted);
        const ScriptSchedule::Result result = ScriptSchedule::queueScript(
            &queue, QStringLiteral("Nightly"), text, kTen, QStringLiteral("Island"));
        QCOMPARE(result.problem, problem);
        QCOMPARE(result.lineNumber, lineNumber);
        QCOMPARE(result.line, ScriptFile::lines(text).at(lineNumber - 1));
        QVERIFY(result.message.contains(QStringLiteral("line %1").arg(lineNumber)));
        QVERIFY(result.message.contains(QStringLiteral("Nightly")));
        QVERIFY(result.entries.isEmpty());
        QCOMPARE(queue.count(), 0);
        QCOMPARE(inserted.count(), 0);
    }

    void scriptFilesKeepTheirEncoding_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<ScriptFile::Encoding>("encoding");
        QTest::addColumn<QByteArray>("written");
        const QString text = QStringLiteral("msg:Grüße €\nwait:5\ncmd:saveworld\n");
        const QString onDisk = QStringLiteral("msg:Grüße €\r\nwait:5\r\ncmd:saveworld\r\n");
        const QByteArray ansi("msg:Gr\xFC\xDF"
                              "e \x80\r\nwait:5\r\ncmd:saveworld\r\n");
        QTest::newRow("Windows-1252") << ansi << text << ScriptFile::Encoding::Ansi << ansi;
        const QByteArray utf8 = "\xEF\xBB\xBF" + onDisk.toUtf8();
        QTest::newRow("UTF-8 with BOM") << utf8 << text << ScriptFile::Encoding::Utf8 << utf8;
        const QByteArray le = "\xFF\xFE" + utf16(onDisk, false);
        QTest::newRow("UTF-16 LE") << le << text << ScriptFile::Encoding::Utf16LE << le;
        const QByteArray be = "\xFE\xFF" + utf16(onDisk, true);
        QTest::newRow("UTF-16 BE") << be << text << ScriptFile::Encoding::Utf16BE << be;
        QTest::newRow("no break after the last line")
            << QByteArray("cmd:a\r\ncmd:b") << QStringLiteral("cmd:a\ncmd:b")
            << ScriptFile::Encoding::Ansi << QByteArray("cmd:a\r\ncmd:b");
        QTest::newRow("lone LF and CR end lines too")
            << QByteArray("cmd:a\ncmd:b\rcmd:c\r\n") << QStringLiteral("cmd:a\ncmd:b\ncmd:c\n")
            << ScriptFile::Encoding::Ansi << QByteArray("cmd:a\r\ncmd:b\r\ncmd:c\r\n");
        QTest::newRow("empty") << QByteArray() << QString() << ScriptFile::Encoding::Ansi
                               << QByteArray();
    }
    void scriptFilesKeepTheirEncoding() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(ScriptFile::Encoding, encoding);
        QFETCH(QByteArray, written);
        writeBytes(m_folder->filePath(QStringLiteral("Script")), bytes);
        ScriptFile script;
        QVERIFY(m_folder->read(QStringLiteral("Script"), &script));
        QCOMPARE(script.text, text);
        QCOMPARE(script.encoding, encoding);
        // Saved under another name, the text keeps its encoding and its mark.
        QCOMPARE(m_folder->save(QStringLiteral("Script"), QStringLiteral("Renamed"), script, false),
                 ScriptFolder::SaveResult::Saved);
        QCOMPARE(readBytes(m_folder->filePath(QStringLiteral("Renamed"))).toHex(' '),
                 written.toHex(' '));
        QVERIFY(!QFile::exists(m_folder->filePath(QStringLiteral("Script"))));
    }

    void newScriptsAreWrittenInTheCodePage() {
        ScriptFile script;
        script.text = QStringLiteral("msg:Grüße 🐉");
        QCOMPARE(m_folder->save(QString(), QStringLiteral("New"), script, false),
                 ScriptFolder::SaveResult::Saved);
        QCOMPARE(readBytes(m_folder->filePath(QStringLiteral("New"))), QByteArray("msg:Gr\xFC\xDF"
                                                                                  "e ??"));
    }

    void listHoldsScriptFilesOnly() {
        for (const char *file : {"b.kvs", "A.kvs", "notes.txt", "c.kvs.bak", "Über.kvs"})
            writeBytes(m_folder->path() + QLatin1Char('/') + QString::fromUtf8(file), "cmd:x");
        QVERIFY(QDir(m_folder->path()).mkdir(QStringLiteral("folder.kvs")));
        QSignalSpy changed(m_folder.get(), &ScriptFolder::listChanged);
        const QStringList expected = {QStringLiteral("A"), QStringLiteral("b"),
                                      QStringLiteral("Über")};
        QCOMPARE(m_folder->ListscriptDir(), expected);
        QCOMPARE(m_folder->names(), expected);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).toStringList(), expected);
    }

    void missingFolderListsNothing() {
        ScriptFolder folder(m_dir->filePath(QStringLiteral("elsewhere")));
        QCOMPARE(folder.ListscriptDir(), QStringList());
    }

    void copiesTakeTheCopySuffixUntilFree() {
        const QByteArray utf16Script = QByteArrayLiteral("\xFF\xFE"
                                                         "c\0m\0d\0:\0x\0");
        writeBytes(m_folder->filePath(QStringLiteral("Restart")), utf16Script);
        m_folder->ListscriptDir();
        QSignalSpy changed(m_folder.get(), &ScriptFolder::listChanged);
        QCOMPARE(m_folder->copy(QStringLiteral("Restart")), QStringLiteral("Restart - copy"));
        QCOMPARE(m_folder->copy(QStringLiteral("Restart")),
                 QStringLiteral("Restart - copy - copy"));
        QVERIFY(m_folder->names().contains(QStringLiteral("Restart - copy - copy")));
        QVERIFY(changed.count() >= 2);
        QCOMPARE(readBytes(m_folder->filePath(QStringLiteral("Restart - copy - copy"))),
                 utf16Script);
        QString error;
        QCOMPARE(m_folder->copy(QStringLiteral("Missing"), &error), QString());
        QVERIFY(!error.isEmpty());
    }

    void removeDeletesTheFileAndRelists() {
        writeBytes(m_folder->filePath(QStringLiteral("Old")), "cmd:x");
        m_folder->ListscriptDir();
        QVERIFY(m_folder->remove(QStringLiteral("Old")));
        QVERIFY(!QFile::exists(m_folder->filePath(QStringLiteral("Old"))));
        QCOMPARE(m_folder->names(), QStringList());
    }

    void editorSaveRules_data() {
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("overwrite");
        QTest::addColumn<ScriptFolder::SaveResult>("result");
        QTest::addColumn<QStringList>("files"); // "name=content" afterwards
        using R = ScriptFolder::SaveResult;
        // Before each row: "First" holds "one", "Second" holds "two".
        QTest::newRow("new under a free name")
            << QString() << QStringLiteral("Third") << false << R::Saved
            << QStringList{QStringLiteral("First=one"), QStringLiteral("Second=two"),
                           QStringLiteral("Third=new")};
        QTest::newRow("new under a taken name asks")
            << QString() << QStringLiteral("First") << false << R::NameExists
            << QStringList{QStringLiteral("First=one"), QStringLiteral("Second=two")};
        QTest::newRow("new under a taken name, agreed")
            << QString() << QStringLiteral("First") << true << R::Saved
            << QStringList{QStringLiteral("First=new"), QStringLiteral("Second=two")};
        QTest::newRow("edited under its own name, no question")
            << QStringLiteral("First") << QStringLiteral("First") << false << R::Saved
            << QStringList{QStringLiteral("First=new"), QStringLiteral("Second=two")};
        QTest::newRow("edited under a free name is a rename")
            << QStringLiteral("First") << QStringLiteral("Renamed") << false << R::Saved
            << QStringList{QStringLiteral("Renamed=new"), QStringLiteral("Second=two")};
        QTest::newRow("edited under a taken name asks")
            << QStringLiteral("First") << QStringLiteral("Second") << false << R::NameExists
            << QStringList{QStringLiteral("First=one"), QStringLiteral("Second=two")};
        QTest::newRow("edited under a taken name, agreed")
            << QStringLiteral("First") << QStringLiteral("Second") << true << R::Saved
            << QStringList{QStringLiteral("Second=new")};
        QTest::newRow("invalid name")
            << QStringLiteral("First") << QStringLiteral(" First") << true << R::InvalidName
            << QStringList{QStringLiteral("First=one"), QStringLiteral("Second=two")};
    }
    void editorSaveRules() {
        QFETCH(QString, opened);
        QFETCH(QString, name);
        QFETCH(bool, overwrite);
        QFETCH(ScriptFolder::SaveResult, result);
        QFETCH(QStringList, files);
        writeBytes(m_folder->filePath(QStringLiteral("First")), "one");
        writeBytes(m_folder->filePath(QStringLiteral("Second")), "two");
        ScriptFile script;
        script.text = QStringLiteral("new");
        QCOMPARE(m_folder->save(opened, name, script, overwrite), result);
        QStringList got;
        for (const QString &n : m_folder->ListscriptDir())
            got << n + QLatin1Char('=') + QString::fromLatin1(readBytes(m_folder->filePath(n)));
        QCOMPARE(got, files);
    }

    void aFailedRenameKeepsTheOldScript() {
        writeBytes(m_folder->filePath(QStringLiteral("First")), "one");
        // A folder in the way: the new file cannot be written.
        QVERIFY(QDir(m_folder->path()).mkdir(QStringLiteral("Blocked.kvs")));
        ScriptFile script;
        script.text = QStringLiteral("new");
        QString error;
        QCOMPARE(m_folder->save(QStringLiteral("First"), QStringLiteral("Blocked"), script, true,
                                &error),
                 ScriptFolder::SaveResult::Failed);
        QVERIFY(!error.isEmpty());
        QCOMPARE(readBytes(m_folder->filePath(QStringLiteral("First"))), QByteArray("one"));
    }

    void saveCreatesTheFolder() {
        QVERIFY(QDir(m_folder->path()).removeRecursively());
        ScriptFile script;
        script.text = QStringLiteral("cmd:saveworld");
        QCOMPARE(m_folder->save(QString(), QStringLiteral("First"), script, false),
                 ScriptFolder::SaveResult::Saved);
        QCOMPARE(readBytes(m_folder->filePath(QStringLiteral("First"))),
                 QByteArray("cmd:saveworld"));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptFolder> m_folder;
};

QTEST_GUILESS_MAIN(TestScripts)
#include "tst_scripts.moc"
