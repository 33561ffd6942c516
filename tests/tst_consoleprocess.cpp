// Starts the real console executable headless and ends it the ways an operator's desktop does.
#include "base/TextFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
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
