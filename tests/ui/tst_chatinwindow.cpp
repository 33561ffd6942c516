// The whole window against simulated servers as the demo runs them: a double-click on an online
// server opens its chat in the window, whose lines then flow in while the server list, the player
// list and the program log follow the servers. Under Xvfb with KVD_SCREENSHOT_DIR set, the window
// is saved as main-window.png for the README.
#include "base/Intervals.h"
#include "chat/ChatLog.h"
#include "chat/ChatSession.h"
#include "console/Console.h"
#include "servers/ServerListFile.h"
#include "servers/ServerListModel.h"
#include "servers/TableFile.h"
#include "ui/ChatPanel.h"
#include "ui/LogPanel.h"
#include "ui/MainWindow.h"
#include "ui/ServerListView.h"
#include "ui/Theme.h"

#include "SimServer.h"

#include <QApplication>
#include <QListView>
#include <QTemporaryDir>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>

class TestChatInWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Intervals &intervals = Intervals::instance();
        intervals.visitStartFirstPassMs = 50;
        intervals.visitStartMs = 100;
        intervals.chatRerequestMs = 200;
        intervals.watchdogMs = 3000;
        Theme::apply(*qApp);
    }

    void doubleClickOpensTheChatWhileTheWindowFollowsTheServers() {
        QTemporaryDir dir;
        // The demo's servers: one that splits its answers, one that refuses the login.
        QList<SimServer *> sims;
        const QStringList names{QStringLiteral("Alpha Island"), QStringLiteral("Beta Ridge"),
                                QStringLiteral("Gamma Valley"), QStringLiteral("Delta Swamp"),
                                QStringLiteral("Epsilon Reef")};
        StringTable table = ServerListFile::emptyTable();
        for (const QString &name : names) {
            auto *sim = new SimServer(name, QStringLiteral("secret"), 0, this);
            QVERIFY(sim->start());
            for (int i = 0; i < 5; ++i)
                sim->addRandomPlayer();
            sim->startChurn(150, quint32(sims.size() + 1));
            table.appendRow({name, sim->host(), sim->portText(), sim->password()});
            sims << sim;
        }
        sims.at(2)->setFault(SimServer::SplitAnswer);
        sims.at(3)->setFault(SimServer::RefuseLogin);
        QVERIFY(SaveStringGrid(table, dir.filePath(QStringLiteral("server.dat"))));

        Console console(dir.path());
        MainWindow window(&console);
        window.resize(1250, 750);
        window.show();
        window.runStartUp();
        ServerListModel *servers = console.servers();
        const auto status = [servers](const QString &name) {
            return ServerStates::statusText(servers->entry(servers->rowOfName(name)).state);
        };
        QTRY_COMPARE_WITH_TIMEOUT(status(names.at(0)), QStringLiteral("Online"), 20000);

        ServerListView *view = window.serverView();
        const QModelIndex alpha = view->model()->index(servers->rowOfName(names.at(0)), 0);
        view->setCurrentIndex(alpha);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(alpha).center());
        QTRY_COMPARE_WITH_TIMEOUT(window.chatPanel()->title(), names.at(0), 5000);
        QCOMPARE(status(names.at(0)), QStringLiteral("Chat/Online"));

        // The game log flows into the open chat; the others keep being visited.
        ChatLog *chat = console.chat()->chatLog();
        QTRY_VERIFY_WITH_TIMEOUT(chat->lineCount() >= 12, 20000);
        QVERIFY(window.chatPanel()->playersOnline()->topLevelItemCount() > 0);
        QTRY_COMPARE_WITH_TIMEOUT(status(names.at(3)), QStringLiteral("Bad login"), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(status(names.at(2)), QStringLiteral("Online"), 20000);
        QVERIFY(window.playerView()->model()->rowCount() >= 16);
        QTRY_VERIFY_WITH_TIMEOUT(
            window.logPanel()
                    ->programLogView()
                    ->model()
                    ->match(window.logPanel()->programLogView()->model()->index(0, 0),
                            Qt::DisplayRole, QStringLiteral(") joined @ `"), 1, Qt::MatchContains)
                    .size() == 1,
            20000);

        const QByteArray shots = qgetenv("KVD_SCREENSHOT_DIR");
        if (!shots.isEmpty()) {
            QTest::qWait(1500); // a few more chat blocks, so the view is full
            window.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/main-window.png"));
        }
        window.runExitSequence();
        qDeleteAll(sims);
    }
};

QTEST_MAIN(TestChatInWindow)
#include "tst_chatinwindow.moc"
