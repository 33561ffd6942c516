#include "base/ProgramLog.h"
#include "base/TextFile.h"
#include "console/Console.h"
#include "servers/ServerListModel.h"
#include "ui/ChatPanel.h"
#include "ui/Icons.h"
#include "ui/LogPanel.h"
#include "ui/MainWindow.h"
#include "ui/MessageBoxes.h"
#include "ui/ServerListView.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QListView>
#include <QScreen>
#include <QTemporaryDir>
#include <QtTest>

class TestMainWindow : public QObject {
    Q_OBJECT

private:
    struct Fixture {
        QTemporaryDir dir;
        Console console{dir.path()};
        MainWindow window{&console};
        QString file(const QString &name) const { return dir.filePath(name); }
    };

private slots:
    void firstStartCentresTheDefaultLayout() {
        Fixture f;
        f.window.show();
        f.window.runStartUp();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const WindowLayout layout = f.window.currentLayout();
        QCOMPARE(layout.width, 1250);
        QCOMPARE(layout.height, 750);
        QCOMPARE(layout.left,
                 screen.width() / 2 - 625 >= screen.width() - 50 ? 10 : screen.width() / 2 - 625);
        QCOMPARE(layout.p12w, 180);
        QCOMPARE(layout.p4h, 233);
        QCOMPARE(layout.p1w, 625);
        QCOMPARE(f.window.chatPanel()->title(), QStringLiteral("Channel offline"));
        QVERIFY(f.window.serverView()->placeholder()->isVisible());
        for (int index : {0, 1, 3, 4, 5, 6, 7, 8})
            QVERIFY2(!Icons::byIndex(IconIndex(index)).pixmap(16).isNull(),
                     qPrintable(QString::number(index)));
    }

    void windowOffTheDesktopIsBroughtBack() {
        Fixture f;
        const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
        WindowLayout layout;
        layout.left = desktop.width() - 20;
        layout.top = desktop.height() + 100;
        f.window.applyLayout(layout);
        f.window.keepReachable();
        QCOMPARE(f.window.geometry().left(), 10);
        QCOMPARE(f.window.geometry().top(), 30);
    }

    void savedLayoutComesBack() {
        Fixture f;
        QFile ini(f.file(QStringLiteral("app.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(
            "[Design]\nleft=20\ntop=40\nwidth=1100\nheight=700\np1w=450\np12w=210\np4h=240\n"
            "lv2col0=190\nlv2lastsort=4\nlv2lastimage=4\n[Config]\nCname=Warden\n[pum1]\nlog=0\n");
        ini.close();
        f.window.show();
        f.window.runStartUp();
        const WindowLayout layout = f.window.currentLayout();
        QCOMPARE(layout.width, 1100);
        QCOMPARE(layout.p1w, 450);
        QCOMPARE(layout.p12w, 210);
        QCOMPARE(layout.lv2col[0], 190);
        QCOMPARE(layout.lv2lastsort, 4);
        QCOMPARE(layout.lv2lastimage, 4);
        QCOMPARE(f.window.chatPanel()->chatName(), QStringLiteral("Warden"));
        QVERIFY(!f.window.logPanel()->isVisible());
        // The hidden pane keeps its height for when it is shown again.
        QCOMPARE(layout.p4h, 240);
    }

    void programLogShowsNewestFirst() {
        Fixture f;
        f.window.show();
        f.window.runStartUp();
        ProgramLog *log = f.console.programLog();
        for (int i = 0; i < 200; ++i)
            log->message(QStringLiteral("entry %1").arg(i));
        QListView *view = f.window.logPanel()->programLogView();
        QVERIFY(view->model()->index(0, 0).data().toString().endsWith(QLatin1String("entry 199")));
        view->scrollToBottom();
        log->message(QStringLiteral("newest"));
        QTRY_COMPARE(view->indexAt(QPoint(5, 5)).row(), 0);
    }

    void deleteLogfileAsksFirst() {
        Fixture f;
        f.window.show();
        f.window.runStartUp();
        ProgramLog *log = f.console.programLog();
        log->message(QStringLiteral("keep me"));

        MessageBoxes::setNextAnswer(QMessageBox::No);
        f.window.logPanel()->deleteProgramLog();
        QCOMPARE(MessageBoxes::lastText(),
                 QStringLiteral("Really delete program logfile? All statistics will be deleted!"));
        QCOMPARE(log->rowCount(), 2);

        MessageBoxes::setNextAnswer(QMessageBox::Yes);
        f.window.logPanel()->deleteProgramLog();
        QCOMPARE(log->rowCount(), 0);
        QCOMPARE(TextFile::readLines(f.file(QStringLiteral("logs/kvd_log_deleted.old"))).size(), 2);
    }

    void unreadableServerListDoesNotStopStartUp() {
        Fixture f;
        QFile dat(f.file(QStringLiteral("server.dat")));
        QVERIFY(dat.open(QIODevice::WriteOnly));
        dat.write("four\r\nrows\r\n");
        dat.close();
        f.window.show();
        f.window.runStartUp();
        QCOMPARE(f.console.servers()->serverCount(), 0);
        QVERIFY(f.console.isStarted());
        // Reported below the start line, once the program log is there.
        const QStringList lines = f.console.programLog()->lines();
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.constFirst().contains(QLatin1String("server list")));
        QVERIFY(lines.constLast().endsWith(QLatin1String("Program start - - - - - - - - - - - -")));
    }

    void exitWritesLayoutAndSavesLog() {
        Fixture f;
        f.window.show();
        f.window.runStartUp();
        f.console.programLog()->message(QStringLiteral("last words"));
        f.window.close();
        const QStringList lines = TextFile::readLines(f.file(QStringLiteral("logs/kvd.log")));
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines.constFirst().endsWith(QLatin1String("last words")));
        QVERIFY(QFile::exists(f.file(QStringLiteral("app.ini"))));
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
