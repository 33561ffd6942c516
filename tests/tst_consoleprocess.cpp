// Starts the real console executable headless and ends it the ways an operator's desktop does.
#include "base/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {
const QString kMarker =
    QStringLiteral(" - - - - - - - - - - - - Program start - - - - - - - - - - - -");

// A program folder of its own: the console keeps its files beside its executable.
struct Install {
    QTemporaryDir dir;
    QString exe() const { return dir.filePath(QStringLiteral("kvd")); }
    QString file(const QString &name) const { return dir.filePath(name); }
    bool create() const { return QFile::copy(QStringLiteral(KVD_BINARY_DIR "/kvd"), exe()); }
};
} // namespace

class TestConsoleProcess : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_runtime; // holds the single-instance lock, away from any real session

    void start(QProcess &process, const Install &install) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(install.exe(), {});
        QVERIFY(process.waitForStarted());
    }

    static void terminate(QProcess &process) {
        ::kill(pid_t(process.processId()), SIGTERM);
        QVERIFY(process.waitForFinished(20000));
    }

private slots:
    void sigtermRunsTheExitSequence() {
        Install install;
        QVERIFY(install.create());
        QDir(install.dir.path()).mkpath(QStringLiteral("logs"));
        QStringList old;
        for (int i = 0; i < 40; ++i)
            old << QStringLiteral("[170101-000000] Serverstatus (S%1):  Online").arg(i);
        QVERIFY(TextFile::writeLines(install.file(QStringLiteral("logs/kvd.log")), old));

        QProcess console;
        start(console, install);
        // The backup is written once the log is loaded: start-up is done by then.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(install.file(QStringLiteral("logs/kvd.bck"))),
                                 20000);
        terminate(console);
        QCOMPARE(console.exitStatus(), QProcess::NormalExit);
        QCOMPARE(console.exitCode(), 0);

        const QStringList lines = TextFile::readLines(install.file(QStringLiteral("logs/kvd.log")));
        QCOMPARE(lines.size(), 41);
        QVERIFY(lines.constFirst().endsWith(kMarker));
        QCOMPARE(lines.mid(1), old);

        const QStringList ini = TextFile::readLines(install.file(QStringLiteral("app.ini")));
        QVERIFY(ini.contains(QStringLiteral("[Design]")));
        QVERIFY(ini.contains(QStringLiteral("width=1250")));
        QVERIFY(ini.contains(QStringLiteral("Cname=Admin")));
    }

    void secondInstanceEndsBeforeTouchingFiles() {
        Install first;
        Install second;
        QVERIFY(first.create());
        QVERIFY(second.create());
        QProcess running;
        start(running, first);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(first.file(QStringLiteral("logs"))), 20000);

        QProcess again;
        start(again, second);
        QVERIFY(again.waitForFinished(20000));
        QCOMPARE(again.exitCode(), 0);
        QVERIFY(!QFile::exists(second.file(QStringLiteral("logs"))));
        QVERIFY(!QFile::exists(second.file(QStringLiteral("app.ini"))));
        QCOMPARE(running.state(), QProcess::Running);
        terminate(running);
    }

    void lockOfACrashedInstanceIsTakenOver() {
        Install first;
        Install second;
        QVERIFY(first.create());
        QVERIFY(second.create());
        QProcess crashed;
        start(crashed, first);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(first.file(QStringLiteral("logs"))), 20000);
        crashed.kill();
        QVERIFY(crashed.waitForFinished(20000));

        QProcess next;
        start(next, second);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(second.file(QStringLiteral("logs"))), 20000);
        QCOMPARE(next.state(), QProcess::Running);
        terminate(next);
        QVERIFY(QFile::exists(second.file(QStringLiteral("logs/kvd.log"))));
    }

    // "--demo": simulated servers on free ports and a console in a folder of its own, beside the
    // operator's running console; both the console and its servers end together.
    void demoRunsBesideTheConsoleInAFolderOfItsOwn() {
        Install install;
        QVERIFY(install.create());
        QProcess running;
        start(running, install);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(install.file(QStringLiteral("logs"))), 20000);

        QTemporaryDir cache;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        env.insert(QStringLiteral("XDG_CACHE_HOME"), cache.path());
        QProcess demo;
        demo.setProcessEnvironment(env);
        demo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // From the build folder: the simulator is beside it.
        demo.start(QStringLiteral(KVD_BINARY_DIR "/kvd"), {QStringLiteral("--demo")});
        QVERIFY(demo.waitForStarted());
        const QString folder = cache.filePath(QStringLiteral("Corvid/Corvid RCON Admin/demo"));
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT((output += demo.readAllStandardOutput()).count("server: ") == 4,
                                 20000);
        QList<quint16> ports;
        for (const QByteArray &line : output.split('\n')) {
            const int at = line.indexOf("port: ");
            if (at >= 0)
                ports << quint16(line.mid(at + 6).split(' ').constFirst().toUInt());
        }
        QCOMPARE(ports.size(), 4);
        QVERIFY(!ports.contains(0));
        QVERIFY(QFileInfo(folder + QStringLiteral("/server.dat")).size() > 0);
        // The program log is written every 10 s: the visits are in it then.
        QTRY_VERIFY_WITH_TIMEOUT(
            TextFile::readLines(folder + QStringLiteral("/logs/kvd.log"))
                .join(QLatin1Char('\n'))
                .contains(QLatin1String("Serverstatus (Alpha Island):  Online")),
            30000);
        terminate(demo);
        QCOMPARE(demo.exitCode(), 0);
        // Its servers went with it.
        QTRY_VERIFY_WITH_TIMEOUT(
            [&ports] {
                QTcpSocket socket;
                socket.connectToHost(QHostAddress::LocalHost, ports.constFirst());
                return !socket.waitForConnected(500);
            }(),
            10000);
        // The operator's console ran on and has no demo server.
        QCOMPARE(running.state(), QProcess::Running);
        QVERIFY(!QFile::exists(install.file(QStringLiteral("server.dat"))));
        terminate(running);
    }

    void versionIsPrintedWithoutADisplay() {
        Install install;
        QVERIFY(install.create());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QLatin1String(name));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_runtime.path());
        QProcess console;
        console.setProcessEnvironment(env);
        console.start(install.exe(), {QStringLiteral("--version")});
        QVERIFY(console.waitForFinished(20000));
        QCOMPARE(console.exitStatus(), QProcess::NormalExit);
        QCOMPARE(console.exitCode(), 0);
        QCOMPARE(console.readAllStandardOutput(),
                 QByteArray("Corvid RCON Admin " KVD_VERSION "\n"));
        // Nothing was started: no program folder content was made.
        QVERIFY(!QFile::exists(install.file(QStringLiteral("logs"))));
    }
};

QTEST_GUILESS_MAIN(TestConsoleProcess)
#include "tst_consoleprocess.moc"
