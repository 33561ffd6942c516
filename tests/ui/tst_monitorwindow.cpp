// The window follows the poll cycle: server list, player list with its icon and online time,
// the activity indicator and the server and player counts in the status bar.
#include "base/Clock.h"
#include "base/Intervals.h"
#include "console/Console.h"
#include "monitor/PlayerListModel.h"
#include "monitor/PollCycle.h"
#include "servers/ServerListFile.h"
#include "servers/ServerListModel.h"
#include "servers/TableFile.h"
#include "ui/MainWindow.h"
#include "ui/ServerListView.h"
#include "ui/StatusPanels.h"

#include "SimServer.h"
#include "TestPorts.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

class TestMonitorWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Intervals &intervals = Intervals::instance();
        intervals.visitStartFirstPassMs = 10;
        intervals.visitStartMs = 30;
        intervals.watchdogMs = 1500;
        intervals.onlineTickerMs = 50;
        // The time online is compared with what the join shows: the clock stands still.
        Clock::setSource([] { return QDateTime(QDate(2026, 12, 10), QTime(20, 15, 0)); });
    }
    void cleanupTestCase() { Clock::reset(); }

    void windowShowsServersPlayersAndCounts() {
        QTemporaryDir dir;
        SimServer alpha(QStringLiteral("Alpha"), QStringLiteral("pw"));
        QVERIFY(alpha.start());
        alpha.addPlayer(QStringLiteral("Anna"));
        alpha.addPlayer(QStringLiteral("Bob"));
        StringTable table = ServerListFile::emptyTable();
        table.appendRow(
            {QStringLiteral("Alpha"), alpha.host(), alpha.portText(), QStringLiteral("pw")});
        table.appendRow({QStringLiteral("Beta"), QStringLiteral("127.0.0.1"), closedPort(),
                         QStringLiteral("pw")});
        QVERIFY(SaveStringGrid(table, dir.filePath(QStringLiteral("server.dat"))));

        Console console(dir.path());
        MainWindow window(&console);
        QSignalSpy activity(console.pollCycle(), &PollCycle::visitActiveChanged);
        QSignalSpy visits(console.pollCycle(), &PollCycle::visitEnded);
        window.show();
        window.runStartUp();
        QCOMPARE(window.statusPanels()->serversOnline(), QStringLiteral("0/2 Server online"));
        QTRY_VERIFY_WITH_TIMEOUT(visits.count() >= 2, 20000);

        QCOMPARE(window.statusPanels()->serversOnline(), QStringLiteral("1/2 Server online"));
        QCOMPARE(window.statusPanels()->playersOnline(), QStringLiteral("2 Player online"));
        // On while any visit is under way: the two visits overlap.
        QVERIFY(activity.count() >= 2);
        QCOMPARE(activity.at(0).at(0).toBool(), true);
        QCOMPARE(activity.at(1).at(0).toBool(), false);

        const QAbstractItemModel *players = window.playerView()->model();
        QCOMPARE(players->rowCount(), 2);
        QCOMPARE(players->columnCount(), 4);
        QCOMPARE(players->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Steam 64 ID"));
        QCOMPARE(players->index(0, 0).data().toString(), QStringLiteral("Anna"));
        QCOMPARE(players->index(1, 2).data().toString(), QStringLiteral("Alpha"));
        QVERIFY(!players->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
        QCOMPARE(players->index(0, 3).data().toString(), QStringLiteral("00:00:00"));

        const QAbstractItemModel *servers = window.serverView()->model();
        QCOMPARE(servers->index(0, ServerListModel::StatusColumn).data().toString(),
                 QStringLiteral("Online"));
        QCOMPARE(servers->index(0, ServerListModel::PlayerColumn).data().toString(),
                 QStringLiteral("2"));
        QCOMPARE(servers->index(1, ServerListModel::StatusColumn).data().toString(),
                 QStringLiteral("Refused"));

        const QByteArray shots = qgetenv("KVD_SCREENSHOT_DIR");
        if (!shots.isEmpty())
            window.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/monitor.png"));
        window.runExitSequence();
    }
};

QTEST_MAIN(TestMonitorWindow)
#include "tst_monitorwindow.moc"
