// The application object's last catch: a failure that no handler caught closes the poll channel
// and becomes an error entry naming the object whose event was running; the console goes on.
#include "console/Console.h"
#include "ui/Application.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

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
};

int main(int argc, char *argv[]) {
    Application app(argc, argv);
    TestApplication test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_application.moc"
