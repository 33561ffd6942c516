// The console's start-up and exit sequences run headless, as the window runs them.
#include "base/Intervals.h"
#include "base/ProgramLog.h"
#include "base/ProgramState.h"
#include "base/TextFile.h"
#include "chat/BackgroundWatch.h"
#include "console/Console.h"
#include "monitor/PollCycle.h"
#include "servers/ServerListFile.h"
#include "servers/ServerListModel.h"
#include "servers/TableFile.h"

#include "SimServer.h"
#include "TestFiles.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString kMarker =
    QStringLiteral(" - - - - - - - - - - - - Program start - - - - - - - - - - - -");
} // namespace

class TestConsole : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Intervals &intervals = Intervals::instance();
        intervals.visitStartFirstPassMs = 10;
        intervals.visitStartMs = 30;
        intervals.watchdogMs = 1500;
    }

    void startUpLoadsEverythingAndStartsTheCycle() {
        QTemporaryDir dir;
        SimServer alpha(QStringLiteral("Alpha"), QStringLiteral("pw"));
        QVERIFY(alpha.start());
        StringTable table = ServerListFile::emptyTable();
        table.appendRow(
            {QStringLiteral("Alpha"), alpha.host(), alpha.portText(), QStringLiteral("pw")});
        QVERIFY(SaveStringGrid(table, dir.filePath(QStringLiteral("server.dat"))));
        writeBytes(dir.filePath(QStringLiteral("app.ini")),
                   "[Design]\r\nlv2lastsort=3\r\nlv2lastimage=4\r\n[Config]\r\nCname=Warden\r\n"
                   "[pum1]\r\ncinfo=2\r\ngetbchat=1\r\n");

        Console console(dir.path());
        QSignalSpy visits(console.pollCycle(), &PollCycle::visitEnded);
        console.start();
        QVERIFY(QDir(dir.filePath(QStringLiteral("logs"))).exists());
        QVERIFY(console.hadSettingsFile());
        QCOMPARE(console.startSettings().chatName, QStringLiteral("Warden"));
        QCOMPARE(console.state()->options().notification, NotificationKind::Popup);
        QCOMPARE(console.servers()->sortColumn(), 3);
        QCOMPARE(console.servers()->sortOrder(), Qt::DescendingOrder);
        QCOMPARE(console.servers()->entry(0).state, ServerState::Queue);
        QVERIFY(console.programLog()->lines().constFirst().endsWith(kMarker));
        QCOMPARE(console.backgroundWatch()->statusText(), QStringLiteral("Get chat in background"));
        QTRY_VERIFY(visits.count() >= 1);
        QCOMPARE(console.servers()->entry(0).state, ServerState::Online);
        console.shutDown();
    }

    void messagesBeforeTheLogIsLoadedFollowTheStartLine() {
        QTemporaryDir dir;
        writeBytes(dir.filePath(QStringLiteral("server.dat")), "four\r\nrows\r\n");
        Console console(dir.path());
        console.start();
        const QStringList lines = console.programLog()->lines();
        QVERIFY(lines.size() >= 2);
        QVERIFY(lines.at(0).contains(QLatin1String("Failed to read server list: ")));
        QVERIFY(lines.at(1).endsWith(kMarker));
        console.shutDown();
    }

    void exitWritesLayoutAndSavesTheLogOnce() {
        QTemporaryDir dir;
        Console console(dir.path());
        console.start();
        WindowLayout layout;
        layout.width = 1111;
        console.shutDown(layout, QStringLiteral("Warden"));
        console.shutDown(layout, QStringLiteral("Other")); // the exit runs once
        const QStringList ini = TextFile::readLines(dir.filePath(QStringLiteral("app.ini")));
        QVERIFY(ini.contains(QStringLiteral("width=1111")));
        QVERIFY(ini.contains(QStringLiteral("Cname=Warden")));
        const QStringList log = TextFile::readLines(dir.filePath(QStringLiteral("logs/kvd.log")));
        QCOMPARE(log.size(), 1);
        QVERIFY(log.constFirst().endsWith(kMarker));
    }

    void failedSettingsWriteIsReported() {
        QTemporaryDir dir;
        // A folder where app.ini belongs: no write can replace it, even as root.
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("app.ini")));
        Console console(dir.path());
        console.start();
        console.shutDown(WindowLayout(), QStringLiteral("Admin"));
        const QStringList log = TextFile::readLines(dir.filePath(QStringLiteral("logs/kvd.log")));
        QVERIFY(log.size() >= 2);
        QVERIFY(log.constFirst().endsWith(QLatin1String("] Error saving settings")));
    }

    void exitBeforeStartUpWritesNothing() {
        QTemporaryDir dir;
        writeBytes(dir.filePath(QStringLiteral("logs_placeholder")), "x");
        Console console(dir.path());
        console.shutDown(WindowLayout(), QStringLiteral("Admin"));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("app.ini"))));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("logs/kvd.log"))));
    }
};

QTEST_GUILESS_MAIN(TestConsole)
#include "tst_console.moc"
