// The application object: its last catch for failures that no handler caught, and every way of
// ending the console, which must end the event loop whatever state the window is in.
#include "base/SingleInstance.h"
#include "base/TerminationSignals.h"
#include "base/TextFile.h"
#include "console/Console.h"
#include "ui/Application.h"
#include "ui/MainWindow.h"

#include <QDialog>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <stdexcept>

namespace {
QStringList g_errors;

void captureErrors(QtMsgType, const QMessageLogContext &context, const QString &message) {
    if (QLatin1String(context.category) == QLatin1String("kvd.error"))
        g_errors << message;
}

class FailingTicker final : public QObject {
public:
    using QObject::QObject;

protected:
    void timerEvent(QTimerEvent *) override { throw std::runtime_error("disk on fire"); }
};
} // namespace

class TestApplication : public QObject {
    Q_OBJECT

private slots:
    void uncaughtFailureIsLoggedAndTheConsoleGoesOn() {
        auto *app = qobject_cast<Application *>(QCoreApplication::instance());
        QVERIFY(app);
        QTemporaryDir dir;
        Console console(dir.path());
        app->setConsole(&console);
        QSignalSpy pollClosed(&console, &Console::pollChannelCloseRequested);
        const QtMessageHandler previous = qInstallMessageHandler(captureErrors);

        FailingTicker ticker;
        const int id = ticker.startTimer(1);
        QTRY_VERIFY(g_errors.size() >= 2); // a second tick proves the loop kept running
        ticker.killTimer(id);
        qInstallMessageHandler(previous);
        app->setConsole(nullptr);

        QVERIFY(pollClosed.count() >= 2);
        QVERIFY2(g_errors.constFirst().startsWith(QLatin1String("disk on fire (Master) ")),
                 qPrintable(g_errors.constFirst()));
        QVERIFY(g_errors.constFirst().contains(QLatin1String("QObject")));
    }

    void everyWayOfEndingEndsTheEventLoop_data() {
        QTest::addColumn<QString>("state");
        QTest::addColumn<QString>("end");
        for (const char *state : {"shown", "hidden in the tray", "minimised", "dialog open"}) {
            QTest::addRow("%s, SIGTERM", state) << QString::fromLatin1(state) << "sigterm";
            QTest::addRow("%s, tray Close", state) << QString::fromLatin1(state) << "close";
        }
    }

    void everyWayOfEndingEndsTheEventLoop() {
        QFETCH(QString, state);
        QFETCH(QString, end);
        QTemporaryDir dir;
        Console console(dir.path());
        MainWindow window(&console);
        TerminationSignals termination;
        Application::connectExit(&window, &termination);
        window.show();
        window.runStartUp();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QDialog dialog(&window);
        QTimer::singleShot(0, &window, [&] {
            if (state == QLatin1String("hidden in the tray"))
                window.hide();
            else if (state == QLatin1String("minimised"))
                window.showMinimized();
            else if (state == QLatin1String("dialog open"))
                QTimer::singleShot(0, &dialog, [&dialog] { dialog.exec(); });
        });
        QTimer::singleShot(100, &window, [&] {
            if (end == QLatin1String("sigterm"))
                ::raise(SIGTERM);
            else
                window.close(); // what the tray menu's "Close" does
        });
        bool timedOut = false;
        QTimer::singleShot(10000, [&timedOut] {
            timedOut = true;
            QCoreApplication::exit(1);
        });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(!timedOut);
        QVERIFY(console.isShutDown());
        const QStringList log = TextFile::readLines(dir.filePath(QStringLiteral("logs/kvd.log")));
        QVERIFY(!log.isEmpty());
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("app.ini"))));
    }

    // Two processes: this one holds the lock with its window out of sight, the real console
    // started a second time asks it for the window and ends with status 0.
    void secondStartRaisesTheRunningWindow_data() {
        QTest::addColumn<QString>("state");
        QTest::newRow("minimised") << QStringLiteral("minimised");
        QTest::newRow("hidden") << QStringLiteral("hidden");
    }

    void secondStartRaisesTheRunningWindow() {
        QFETCH(QString, state);
        QTemporaryDir runtime;
        const QByteArray previous = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
        const auto restore = qScopeGuard([&previous] { qputenv("XDG_RUNTIME_DIR", previous); });
        SingleInstance instance;
        QVERIFY(instance.acquire());

        QTemporaryDir dir;
        Console console(dir.path());
        MainWindow window(&console);
        Application::connectLaterStarts(&window, &instance);
        window.show();
        window.runStartUp();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        if (state == QLatin1String("minimised"))
            window.showMinimized();
        else
            window.hide();
        QTRY_VERIFY(state == QLatin1String("minimised") ? window.isMinimized()
                                                        : !window.isVisible());

        QTemporaryDir secondFolder;
        QVERIFY(QFile::copy(QStringLiteral(KVD_BINARY_DIR "/kvd"),
                            secondFolder.filePath(QStringLiteral("kvd"))));
        QProcess second;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        second.setProcessEnvironment(env);
        second.start(secondFolder.filePath(QStringLiteral("kvd")), {});
        QVERIFY(second.waitForStarted());
        // This process answers from its event loop: wait by spinning it.
        QTRY_VERIFY_WITH_TIMEOUT(second.state() == QProcess::NotRunning, 20000);
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(second.readAllStandardOutput().contains("already running"));
        QVERIFY(!QFile::exists(secondFolder.filePath(QStringLiteral("logs"))));
        QTRY_VERIFY(window.isVisible());
        QVERIFY(!window.isMinimized());
        console.shutDown();
    }
};

int main(int argc, char *argv[]) {
    Application app(argc, argv);
    TestApplication test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_application.moc"
