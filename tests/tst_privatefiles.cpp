// The console's files are its user's alone: every write creates them 0600 whatever the umask,
// the folders it makes for itself are 0700, and a file of its folder found open to other users
// is tightened once, with a line in the program log.
#include "base/IniFile.h"
#include "base/PrivateFiles.h"
#include "base/ProgramFolder.h"
#include "base/ProgramLog.h"
#include "base/TextFile.h"
#include "base/WholeFile.h"
#include "chat/ServerLogFile.h"
#include "commands/ScriptFile.h"
#include "commands/ScriptFolder.h"
#include "console/Console.h"
#include "servers/ServerListFile.h"
#include "servers/ServerListModel.h"
#include "servers/TableFile.h"

#include "FileModes.h"
#include "TestFiles.h"

#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

namespace {
const QString kMarker = QStringLiteral("Program start");

// Collects what PrivateFiles reports while it lives.
struct Reports {
    QStringList paths;
    Reports() {
        PrivateFiles::setReporter(
            [this](const QString &path, QFileDevice::Permissions) { paths << path; });
    }
    ~Reports() { PrivateFiles::setReporter({}); }
    Reports(const Reports &) = delete;
    Reports &operator=(const Reports &) = delete;
};

// A file written the way any program writes it, then given `mode`.
void writeWithMode(const QString &path, const QByteArray &bytes, int mode) {
    QVERIFY(QDir().mkpath(QFileInfo(path).path()));
    writeBytes(path, bytes);
    QVERIFY(setFileMode(path, mode));
}

// Program-log lines that tell of a tightened file.
QStringList tightenedLines(Console &console) {
    QStringList lines;
    for (const QString &line : console.programLog()->lines()) {
        if (line.contains(QLatin1String("File permissions tightened: ")))
            lines << line.mid(line.indexOf(QLatin1String("File permissions")));
    }
    lines.sort();
    return lines;
}
} // namespace

using Writer = std::function<bool(const QString &folder)>;
Q_DECLARE_METATYPE(Writer)

class TestPrivateFiles : public QObject {
    Q_OBJECT

private slots:
    void newFilesAreTheOwnersWhateverTheUmask_data() {
        QTest::addColumn<int>("umask");
        QTest::newRow("umask 022") << 022;
        QTest::newRow("umask 000") << 0;
        QTest::newRow("umask 077") << 077;
    }

    void newFilesAreTheOwnersWhateverTheUmask() {
        QFETCH(int, umask);
        const ScopedUmask mask(umask);
        QTemporaryDir dir;
        Reports reports;
        const QString path = dir.filePath(QStringLiteral("server.dat"));
        QVERIFY(WholeFile::write(path, "secret"));
        QCOMPARE(fileMode(path), 0600);
        QCOMPARE(readBytes(path), QByteArray("secret"));
        QVERIFY(reports.paths.isEmpty());

        const QString folder = dir.filePath(QStringLiteral("a/b/c"));
        QVERIFY(PrivateFiles::makeFolder(folder));
        for (const QString &level :
             {QStringLiteral("a"), QStringLiteral("a/b"), QStringLiteral("a/b/c")})
            QCOMPARE(fileMode(dir.filePath(level)), 0700);
        QVERIFY(PrivateFiles::makeFolder(folder)); // there already: nothing to do
    }

    void aFolderAboveThatExistsKeepsItsMode() {
        QTemporaryDir dir;
        QVERIFY(setFileMode(dir.path(), 0755));
        QVERIFY(PrivateFiles::makeFolder(dir.filePath(QStringLiteral("logs"))));
        QCOMPARE(fileMode(dir.path()), 0755);
        QCOMPARE(fileMode(dir.filePath(QStringLiteral("logs"))), 0700);
        // Below a plain file no folder can be made.
        writeBytes(dir.filePath(QStringLiteral("plain")), "x");
        QVERIFY(!PrivateFiles::makeFolder(dir.filePath(QStringLiteral("plain/logs"))));
    }

    void writeTightensAFileOpenToOthersOnce_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("reported");
        QTest::newRow("0644") << 0644 << true;
        QTest::newRow("0666") << 0666 << true;
        QTest::newRow("0640, the group reads") << 0640 << true;
        QTest::newRow("0602, others write") << 0602 << true;
        QTest::newRow("0600") << 0600 << false;
        QTest::newRow("0400, read-only to its owner") << 0400 << false;
    }

    void writeTightensAFileOpenToOthersOnce() {
        QFETCH(int, mode);
        QFETCH(bool, reported);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("app.ini"));
        writeWithMode(path, "[Update]\r\n", mode);
        Reports reports;

        QVERIFY(WholeFile::write(path, "[Update]\r\nurl=https://example.org/\r\n"));
        QCOMPARE(fileMode(path), 0600);
        QCOMPARE(reports.paths,
                 reported ? QStringList{QFileInfo(path).absoluteFilePath()} : QStringList());
        QVERIFY(WholeFile::write(path, "[Update]\r\n"));
        QCOMPARE(reports.paths.size(), reported ? 1 : 0);
    }

    void everyWriterOfTheConsoleCreatesPrivateFiles_data() {
        QTest::addColumn<Writer>("write");
        QTest::addColumn<QString>("file");
        QTest::newRow("app.ini") << Writer([](const QString &folder) {
            return IniFile(folder + QStringLiteral("/app.ini"))
                .writeString(QStringLiteral("Notify"), QStringLiteral("webhook"),
                             QStringLiteral("https://chat.example.net/hook"));
        }) << QStringLiteral("app.ini");
        QTest::newRow("server.dat") << Writer([](const QString &folder) {
            StringTable table = ServerListFile::emptyTable();
            table.appendRow({QStringLiteral("Alpha"), QStringLiteral("127.0.0.1"),
                             QStringLiteral("27015"), QStringLiteral("secret")});
            return SaveStringGrid(table, folder + QStringLiteral("/server.dat"));
        }) << QStringLiteral("server.dat");
        QTest::newRow("program log") << Writer([](const QString &folder) {
            return TextFile::writeLines(folder + QStringLiteral("/logs/kvd.log"),
                                        {QStringLiteral("[261209-201500] a line")});
        }) << QStringLiteral("logs/kvd.log");
        QTest::newRow("server log") << Writer([](const QString &folder) {
            return ServerLogFile(folder + QStringLiteral("/logs/Alpha.log"))
                .save(QList<ChatLine>());
        }) << QStringLiteral("logs/Alpha.log");
        QTest::newRow("script") << Writer([](const QString &folder) {
            ScriptFolder scripts(folder);
            return scripts.save(QString(), QStringLiteral("restart"),
                                ScriptFile::decode("msg:Restart in 5 minutes\r\n"),
                                false) == ScriptFolder::SaveResult::Saved;
        }) << QStringLiteral("scripts/restart.kvs");
    }

    void everyWriterOfTheConsoleCreatesPrivateFiles() {
        QFETCH(Writer, write);
        QFETCH(QString, file);
        const ScopedUmask mask(0);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("logs")));
        QVERIFY(write(dir.path()));
        QCOMPARE(fileMode(dir.filePath(file)), 0600);
    }

    void folderSweepTightensOnlyTheConsolesFiles() {
        QTemporaryDir dir;
        const QStringList ours = {QStringLiteral("app.ini"),
                                  QStringLiteral("server.dat"),
                                  QStringLiteral("logs/kvd.log"),
                                  QStringLiteral("logs/Alpha.log"),
                                  QStringLiteral("logs/kvd.log.AbC12x"),
                                  QStringLiteral("scripts/restart.kvs"),
                                  QStringLiteral("scripts/cmdlist.kvl")};
        for (const QString &name : ours)
            writeWithMode(dir.filePath(name), "x", 0644);
        writeWithMode(dir.filePath(QStringLiteral("kvd")), "the program", 0755);
        writeWithMode(dir.filePath(QStringLiteral("notes.txt")), "not ours", 0644);
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("notes.txt")),
                            dir.filePath(QStringLiteral("logs/link.log"))));
        writeWithMode(dir.filePath(QStringLiteral("logs/private.log")), "x", 0600);
        Reports reports;

        QCOMPARE(PrivateFiles::tightenFolder(dir.path()), int(ours.size()));
        for (const QString &name : ours)
            QCOMPARE(fileMode(dir.filePath(name)), 0600);
        QCOMPARE(fileMode(dir.filePath(QStringLiteral("kvd"))), 0755);
        QCOMPARE(fileMode(dir.filePath(QStringLiteral("notes.txt"))), 0644);
        QCOMPARE(reports.paths.size(), ours.size());
        QCOMPARE(PrivateFiles::tightenFolder(dir.path()), 0);
    }

    void noticeNamesTheFileBelowTheFolder_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("was");
        QTest::addColumn<QString>("line");
        QTest::newRow("readable")
            << QStringLiteral("/data/kvd/logs/kvd.log") << 0644
            << QStringLiteral("File permissions tightened: logs/kvd.log (was readable by other "
                              "users)");
        QTest::newRow("writable only")
            << QStringLiteral("/data/kvd/app.ini") << 0602
            << QStringLiteral("File permissions tightened: app.ini (was open to other users)");
        QTest::newRow("outside the folder")
            << QStringLiteral("/home/anna/players.csv") << 0604
            << QStringLiteral("File permissions tightened: /home/anna/players.csv (was readable "
                              "by other users)");
        QTest::newRow("a folder beside it with the same start")
            << QStringLiteral("/data/kvd2/app.ini") << 0640
            << QStringLiteral("File permissions tightened: /data/kvd2/app.ini (was readable by "
                              "other users)");
    }

    void noticeNamesTheFileBelowTheFolder() {
        QFETCH(QString, path);
        QFETCH(int, was);
        QFETCH(QString, line);
        // Qt's flags: owner 0x7000, group 0x0070, others 0x0007.
        const auto permissions = QFileDevice::Permissions::fromInt(
            ((was >> 6) & 07) << 12 | ((was >> 3) & 07) << 4 | (was & 07));
        QCOMPARE(PrivateFiles::notice(path, QStringLiteral("/data/kvd"), permissions), line);
    }

    void perUserFolderIsItsOwners() {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("Corvid"));
        QCoreApplication::setApplicationName(QStringLiteral("Corvid RCON Admin"));
        const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QDir(perUser).removeRecursively();
        QTemporaryDir dir;
        // Below a plain file nothing can be written: the console takes the per-user folder.
        writeBytes(dir.filePath(QStringLiteral("plain")), "x");
        const QString executableDir = dir.filePath(QStringLiteral("plain/bin"));
        Reports reports;

        QCOMPARE(ProgramFolder::init(executableDir), QDir::cleanPath(perUser));
        QCOMPARE(fileMode(perUser), 0700);
        QVERIFY(reports.paths.isEmpty());

        // A folder an earlier version made open to others is tightened, and that is told.
        QVERIFY(setFileMode(perUser, 0755));
        ProgramFolder::init(executableDir);
        QCOMPARE(fileMode(perUser), 0700);
        QCOMPARE(reports.paths, QStringList{QDir::cleanPath(perUser)});
        QDir(perUser).removeRecursively();
    }

    void consoleStartTightensItsFilesAndSaysSoOnce() {
        const ScopedUmask mask(022);
        QTemporaryDir dir;
        StringTable table = ServerListFile::emptyTable();
        table.appendRow({QStringLiteral("Alpha"), QStringLiteral("127.0.0.1"), QStringLiteral("9"),
                         QStringLiteral("secret")});
        QVERIFY(SaveStringGrid(table, dir.filePath(QStringLiteral("server.dat"))));
        QVERIFY(setFileMode(dir.filePath(QStringLiteral("server.dat")), 0644));
        writeWithMode(dir.filePath(QStringLiteral("app.ini")),
                      "[Notify]\r\nwebhook=https://chat.example.net/hook\r\n", 0644);
        writeWithMode(dir.filePath(QStringLiteral("logs/kvd.log")),
                      "[261209-201500] an old line\r\n", 0644);
        writeWithMode(dir.filePath(QStringLiteral("logs/Alpha.log")), "a chat line\r\n", 0640);
        writeWithMode(dir.filePath(QStringLiteral("scripts/restart.kvs")), "msg:Restart\r\n", 0644);
        const QStringList told = {
            QStringLiteral("File permissions tightened: app.ini (was readable by other users)"),
            QStringLiteral("File permissions tightened: logs/Alpha.log (was readable by other "
                           "users)"),
            QStringLiteral("File permissions tightened: logs/kvd.log (was readable by other "
                           "users)"),
            QStringLiteral("File permissions tightened: scripts/restart.kvs (was readable by "
                           "other users)"),
            QStringLiteral("File permissions tightened: server.dat (was readable by other "
                           "users)")};
        {
            Console console(dir.path());
            console.start();
            QTRY_COMPARE(tightenedLines(console), told);
            for (const QString &name :
                 {QStringLiteral("app.ini"), QStringLiteral("server.dat"),
                  QStringLiteral("logs/kvd.log"), QStringLiteral("logs/Alpha.log"),
                  QStringLiteral("scripts/restart.kvs")})
                QCOMPARE(fileMode(dir.filePath(name)), 0600);

            // A save and the exit write what they write as the owner's alone.
            QVERIFY(console.programLog()->savelog());
            QVERIFY(console.servers()->serversave());
            console.shutDown(WindowLayout(), QStringLiteral("Admin"));
        }
        for (const QString &name : {QStringLiteral("app.ini"), QStringLiteral("server.dat"),
                                    QStringLiteral("logs/kvd.log")})
            QCOMPARE(fileMode(dir.filePath(name)), 0600);
        QVERIFY(readBytes(dir.filePath(QStringLiteral("logs/kvd.log")))
                    .contains("File permissions tightened: server.dat"));

        // The next start finds nothing to tighten.
        Console again(dir.path());
        again.start();
        QVERIFY(again.programLog()->lines().constFirst().contains(kMarker));
        QTest::qWait(100); // the notices of a start arrive on the next turns of the loop
        QCOMPARE(tightenedLines(again), told); // the old lines, and no new ones
        again.shutDown();
    }
};

QTEST_GUILESS_MAIN(TestPrivateFiles)
#include "tst_privatefiles.moc"
