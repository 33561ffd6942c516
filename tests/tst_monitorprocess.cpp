// The real console executable, headless, polls simulated servers for two passes and is ended
// by SIGTERM; its program log must then read, line by line, what the two passes saw.
#include "base/TextFile.h"
#include "servers/ServerListFile.h"
#include "servers/TableFile.h"

#include "SimServer.h"
#include "TestPorts.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {
const QString kMarker =
    QStringLiteral(" - - - - - - - - - - - - Program start - - - - - - - - - - - -");

// "[yymmdd-hhnnss] " followed by exactly `text`.
QRegularExpression stamped(const QString &text) {
    return QRegularExpression(QStringLiteral("^\\[\\d{6}-\\d{6}\\] ") +
                              QRegularExpression::escape(text) + QLatin1Char('$'));
}
} // namespace

class TestMonitorProcess : public QObject {
    Q_OBJECT

private slots:
    void twoPassesEndUpInTheProgramLog() {
        QTemporaryDir install;
        QTemporaryDir runtime;
        const QString exe = install.filePath(QStringLiteral("kvd"));
        QVERIFY(QFile::copy(QStringLiteral(KVD_BINARY_DIR "/kvd"), exe));

        SimServer alpha(QStringLiteral("Alpha"), QStringLiteral("secret"));
        QVERIFY(alpha.start());
        const QString anna = alpha.addPlayer(QStringLiteral("Anna"));
        const QString bob = alpha.addPlayer(QStringLiteral("Bob, the Great"));
        QString carl;
        // Carl joins as the second pass asks Alpha (the answer follows the command signal).
        connect(&alpha, &SimServer::commandReceived, this, [&] {
            if (alpha.commands().size() == 2)
                carl = alpha.addPlayer(QStringLiteral("Carl"));
        });

        StringTable table = ServerListFile::emptyTable();
        table.appendRow(
            {QStringLiteral("Alpha"), alpha.host(), alpha.portText(), QStringLiteral("secret")});
        table.appendRow({QStringLiteral("Beta"), QStringLiteral("127.0.0.1"), closedPort(),
                         QStringLiteral("x")});
        QVERIFY(SaveStringGrid(table, install.filePath(QStringLiteral("server.dat"))));

        QProcess console;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        console.setProcessEnvironment(env);
        console.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        console.start(exe, {});
        QVERIFY(console.waitForStarted());
        // The third visit of Alpha begins the third pass: two passes are complete.
        QTRY_VERIFY_WITH_TIMEOUT(alpha.commands().size() >= 3, 30000);
        ::kill(pid_t(console.processId()), SIGTERM);
        QVERIFY(console.waitForFinished(20000));
        QCOMPARE(console.exitStatus(), QProcess::NormalExit);
        QCOMPARE(console.exitCode(), 0);

        const QStringList lines =
            TextFile::readLines(install.filePath(QStringLiteral("logs/kvd.log")));
        const QString alphaQuote = QStringLiteral("`Alpha´");
        const QStringList expected{
            QStringLiteral("Program exit: `Carl´ (%1) has played @ %2").arg(carl, alphaQuote),
            QStringLiteral("Program exit: `Bob, the Great´ (%1) has played @ %2")
                .arg(bob, alphaQuote),
            QStringLiteral("Program exit: `Anna´ (%1) has played @ %2").arg(anna, alphaQuote),
            QStringLiteral("Player: `Carl´ (%1) joined @ %2").arg(carl, alphaQuote),
            QStringLiteral("Serverstatus (Beta):  Refused"),
            QStringLiteral("Player: `Bob, the Great´ (%1) playing @ %2").arg(bob, alphaQuote),
            QStringLiteral("Player: `Anna´ (%1) playing @ %2").arg(anna, alphaQuote),
            QStringLiteral("Serverstatus (Alpha):  Online"),
        };
        QCOMPARE(lines.size(), expected.size() + 1);
        static const QRegularExpression exitLine(QStringLiteral(" - Duration \\{00:00:\\d\\d\\}$"));
        // The first visits of Alpha and Beta overlap: Beta's line may come before Alpha's.
        QStringList firstPass = lines.mid(4, 4);
        const qsizetype beta = firstPass.indexOf(QRegularExpression(QStringLiteral(".*Beta.*")));
        QVERIFY(beta >= 0);
        firstPass.move(beta, 0);
        const QStringList ordered = lines.mid(0, 4) + firstPass + lines.mid(8);
        for (int i = 0; i < expected.size(); ++i) {
            QString line = ordered.at(i);
            if (line.contains(QLatin1String("Program exit: "))) {
                QVERIFY2(exitLine.match(line).hasMatch(), qPrintable(line));
                line.remove(exitLine);
            }
            QVERIFY2(stamped(expected.at(i)).match(line).hasMatch(),
                     qPrintable(QStringLiteral("line %1: %2").arg(i).arg(line)));
        }
        QVERIFY(lines.constLast().endsWith(kMarker));
        QCOMPARE(lines.constLast().size(), 16 + kMarker.size());
    }
};

QTEST_GUILESS_MAIN(TestMonitorProcess)
#include "tst_monitorprocess.moc"
