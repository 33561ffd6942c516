// The console's options, and the statistics export run as the real executable on a machine
// without a display.
#include "base/TextFile.h"
#include "console/CommandLine.h"

#include "TestFiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QStringList kLog = {
    QStringLiteral("[170106-101500] Player: `Anna, the Great´ (76561198000000002) has left "
                   "`Beta´ - Duration {02:00:00}"),
    QStringLiteral("[170106-081500] Player: `Anna, the Great´ (76561198000000002) joined @ "
                   "`Beta´"),
    QStringLiteral("[170105-100000] Player: `Zoë \"Z\"´ (76561198000000001) has left `Alpha´ - "
                   "Duration {01:02:03}"),
    QStringLiteral("[170105-085000] Player: `Zoë \"Z\"´ (76561198000000001) joined @ `Alpha´"),
    QStringLiteral("[170105-085000]  - - - - - - - - - - - - Program start - - - - - - - - - - - "
                   "-"),
};

const QByteArray kCsv = "SteamID64,Player,Last online,Total hh:mm:ss,Alpha,Beta\r\n"
                        "76561198000000002,\"Anna, the Great\",06.01.2017,02:00:00,,02:00:00\r\n"
                        "76561198000000001,\"Zo\xc3\xab \"\"Z\"\"\",05.01.2017,01:02:03,01:02:03,"
                        "\r\n";

// Every file and folder under `path`, relative to it, with its size.
QStringList listing(const QString &path) {
    QStringList entries;
    QDirIterator it(path, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        entries << QDir(path).relativeFilePath(it.filePath()) + QLatin1Char(' ') +
                       QString::number(it.fileInfo().size());
    }
    entries.sort();
    return entries;
}

// A program folder of its own with a copy of the executable.
struct Install {
    QTemporaryDir dir;
    QTemporaryDir runtime; // where a single-instance lock would go
    QTemporaryDir elsewhere;
    QString file(const QString &name) const { return dir.filePath(name); }

    bool create(bool withLog) const {
        if (!QFile::copy(QStringLiteral(KVD_BINARY_DIR "/kvd"), file(QStringLiteral("kvd"))))
            return false;
        if (!withLog)
            return true;
        QDir(dir.path()).mkpath(QStringLiteral("logs"));
        return TextFile::writeLines(file(QStringLiteral("logs/kvd.log")), kLog);
    }

    // Runs without any display, so a window could not even open.
    int run(const QStringList &arguments, QByteArray *out, QByteArray *err) const {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(elsewhere.path());
        process.start(file(QStringLiteral("kvd")), arguments);
        if (!process.waitForFinished(30000))
            return -1000;
        *out = process.readAllStandardOutput();
        *err = process.readAllStandardError();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2000;
    }
};

} // namespace

class TestCommandLine : public QObject {
    Q_OBJECT

private slots:
    void parse_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("target");
        const int start = int(CommandLine::Action::StartConsole);
        const int help = int(CommandLine::Action::ShowHelp);
        const int exportCsv = int(CommandLine::Action::ExportStatistics);
        const int refuse = int(CommandLine::Action::Refuse);
        const int version = int(CommandLine::Action::ShowVersion);
        const int demo = int(CommandLine::Action::StartDemo);
        QTest::newRow("none") << QStringList{} << start << "";
        QTest::newRow("--demo") << QStringList{"--demo"} << demo << "";
        QTest::newRow("export") << QStringList{"--export-statistics", "a b.csv"} << exportCsv
                                << "a b.csv";
        QTest::newRow("export with =")
            << QStringList{"--export-statistics=x.csv"} << exportCsv << "x.csv";
        QTest::newRow("export to standard output")
            << QStringList{"--export-statistics", "-"} << exportCsv << "-";
        QTest::newRow("export without a file")
            << QStringList{"--export-statistics"} << refuse << "";
        QTest::newRow("--help") << QStringList{"--help"} << help << "";
        QTest::newRow("-h") << QStringList{"-h"} << help << "";
        QTest::newRow("--version") << QStringList{"--version"} << version << "";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << refuse << "";
        QTest::newRow("unknown short option") << QStringList{"-x"} << refuse << "";
        QTest::newRow("stray argument") << QStringList{"statistics.csv"} << refuse << "";
        QTest::newRow("toolkit: -platform") << QStringList{"-platform", "offscreen"} << start << "";
        QTest::newRow("toolkit: --style=") << QStringList{"--style=fusion"} << start << "";
        QTest::newRow("toolkit: -reverse") << QStringList{"-reverse"} << start << "";
    }
    void parse() {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QString, target);
        const CommandLine command = CommandLine::parse(QStringList{"kvd"} + arguments);
        QCOMPARE(int(command.action()), action);
        QCOMPARE(command.exportTarget(), target);
        QCOMPARE(command.error().isEmpty(), action != int(CommandLine::Action::Refuse));
    }

    void exportWritesTheCsvAndNothingElse() {
        Install install;
        QVERIFY(install.create(true));
        const QStringList before = listing(install.dir.path());
        QByteArray out, err;
        const QString csv = install.elsewhere.filePath(QStringLiteral("stats.csv"));
        QCOMPARE(install.run({"--export-statistics", csv}, &out, &err), 0);
        QCOMPARE(err, QByteArray());
        QCOMPARE(out, QByteArray());
        QCOMPARE(readBytes(csv), kCsv);
        QCOMPARE(listing(install.dir.path()), before);
        QCOMPARE(listing(install.runtime.path()), QStringList());
        QCOMPARE(listing(install.elsewhere.path()),
                 QStringList({"stats.csv " + QString::number(kCsv.size())}));
    }

    void exportToStandardOutput() {
        Install install;
        QVERIFY(install.create(true));
        const QStringList before = listing(install.dir.path());
        QByteArray out, err;
        QCOMPARE(install.run({"--export-statistics", "-"}, &out, &err), 0);
        QCOMPARE(out, kCsv);
        QCOMPARE(err, QByteArray());
        QCOMPARE(listing(install.dir.path()), before);
        QCOMPARE(listing(install.elsewhere.path()), QStringList());
    }

    void exportFailuresAreToldOnStandardError_data() {
        QTest::addColumn<bool>("withLog");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("told");
        QTest::newRow("no program log") << false << "stats.csv"
                                        << "kvd: no program log at ";
        QTest::newRow("unwritable file") << true << "missing-folder/stats.csv"
                                         << "kvd: cannot write missing-folder/stats.csv";
    }
    void exportFailuresAreToldOnStandardError() {
        QFETCH(bool, withLog);
        QFETCH(QString, target);
        QFETCH(QString, told);
        Install install;
        QVERIFY(install.create(withLog));
        const QStringList before = listing(install.dir.path());
        QByteArray out, err;
        const int status = install.run({"--export-statistics", target}, &out, &err);
        QVERIFY2(status > 0, qPrintable(QString::number(status)));
        QVERIFY2(err.startsWith(told.toUtf8()), err.constData());
        QVERIFY(err.endsWith('\n'));
        QCOMPARE(out, QByteArray());
        QCOMPARE(listing(install.dir.path()), before);
        QCOMPARE(listing(install.elsewhere.path()), QStringList());
    }

    void helpListsTheExport() {
        Install install;
        QVERIFY(install.create(false));
        QByteArray out, err;
        QCOMPARE(install.run({"--help"}, &out, &err), 0);
        QVERIFY2(out.contains("--export-statistics <file>"), out.constData());
        QVERIFY(out.contains("Usage: "));
        QVERIFY(!out.contains("platform")); // the toolkit's options stay out of the list
        QCOMPARE(listing(install.dir.path()),
                 QStringList({"kvd " + QString::number(QFileInfo(install.file("kvd")).size())}));
    }

    void unknownOptionPrintsTheUsageInsteadOfStarting() {
        Install install;
        QVERIFY(install.create(false));
        QByteArray out, err;
        const int status = install.run({"--bogus"}, &out, &err);
        QVERIFY2(status > 0, qPrintable(QString::number(status)));
        QVERIFY2(err.contains("Unknown option 'bogus'"), err.constData());
        QVERIFY(err.contains("--export-statistics <file>"));
        QCOMPARE(out, QByteArray());
        QVERIFY(!QFile::exists(install.file(QStringLiteral("logs"))));
        QVERIFY(!QFile::exists(install.file(QStringLiteral("app.ini"))));
        QCOMPARE(listing(install.runtime.path()), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
