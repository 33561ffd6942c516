#include "ui/Application.h"

#include "base/Logging.h"
#include "base/ProgramFolder.h"
#include "base/SingleInstance.h"
#include "base/StallReporter.h"
#include "base/TerminationSignals.h"
#include "console/CommandLine.h"
#include "console/Console.h"
#include "console/DemoServers.h"
#include "ui/Icons.h"
#include "ui/MainWindow.h"
#include "ui/Theme.h"

#include <QDir>
#include <QTextStream>

#include <cstdio>
#include <exception>
#include <memory>

namespace {
// The names decide the per-user program folder, so a run without a window shares them.
void setIdentity() {
    QCoreApplication::setApplicationName(QStringLiteral("Corvid RCON Admin"));
    QCoreApplication::setOrganizationName(QStringLiteral("Corvid"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KVD_VERSION));
}

void say(FILE *stream, const QString &text) {
    QTextStream(stream) << text << '\n';
}

// The theme, and the program folder every part of the console reads; returns the folder.
QString prepare(Application &app, const QString &folder) {
    Theme::apply(app);
    ProgramFolder::setPath(folder);
    return ProgramFolder::path();
}

// A second console shows the first one's window and ends with status 0, before it touches any
// file.
int handOver(Application &app, SingleInstance &instance) {
    QObject::connect(
        &instance, &SingleInstance::raiseAnswered, &app,
        [](bool raised) {
            if (raised)
                say(stdout, Application::tr("Corvid RCON Admin is already running: its window was "
                                            "brought to the front."));
            else
                say(stderr, Application::tr("Corvid RCON Admin is already running, but its window "
                                            "could not be reached."));
            QCoreApplication::exit(0);
        },
        Qt::QueuedConnection); // an answer given at once (no socket) still ends the loop below
    instance.askToRaise();
    app.exec();
    return 0;
}
} // namespace

// The console in its folder with its window, from start-up to the end of the event loop.
struct Application::Session {
    Session(Application &app, SingleInstance &instance, const QString &folder, bool demo = false)
        : console(prepare(app, folder)) {
        app.setConsole(&console);
        // Beside the operator's own console, the demo must not be taken for it.
        if (demo)
            window.setWindowTitle(tr("Corvid RCON Admin - demo"));
        connectExit(&window, &termination);
        connectLaterStarts(&window, &instance);
        window.show();
        window.runStartUp();
    }

    Console console;
    MainWindow window{&console};
    TerminationSignals termination;
};

Application::Application(int &argc, char **argv)
    : QApplication(argc, argv) {
    Icons::registerResources();
    setIdentity();
    setQuitOnLastWindowClosed(true);
}

bool Application::notify(QObject *receiver, QEvent *event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &failure) {
        if (m_console)
            m_console->masterFailure(QString::fromLocal8Bit(failure.what()),
                                     QLatin1String(receiver->metaObject()->className()) +
                                         QStringLiteral("kvd"));
    } catch (...) {
        if (m_console)
            m_console->masterFailure(QStringLiteral("Unknown failure"),
                                     QLatin1String(receiver->metaObject()->className()) +
                                         QStringLiteral("kvd"));
    }
    return false;
}

void Application::connectExit(MainWindow *window, TerminationSignals *termination) {
    // A window hidden in the tray never counts as the last window closed: the loop would run on.
    QObject::connect(window, &MainWindow::exitFinished, qApp, [] { QCoreApplication::exit(0); });
    QObject::connect(termination, &TerminationSignals::terminationRequested, window,
                     &QWidget::close);
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, window, &MainWindow::runExitSequence);
}

void Application::connectLaterStarts(MainWindow *window, SingleInstance *instance) {
    QObject::connect(instance, &SingleInstance::raiseRequested, window, &MainWindow::bringToFront);
}

int Application::run(int argc, char *argv[]) {
    // Exports and help need no display, no window and no lock.
    const CommandLine command = CommandLine::parse(CommandLine::arguments(argc, argv));
    const bool window = command.action() == CommandLine::Action::StartConsole ||
                        command.action() == CommandLine::Action::StartDemo;
    if (!window) {
        QCoreApplication app(argc, argv);
        setIdentity();
        return command.execute();
    }

    Application app(argc, argv);
    StallReporter::fromEnvironment(&app);
    if (command.action() == CommandLine::Action::StartDemo)
        return runDemo(app);

    // A second console ends here, before it touches any file.
    SingleInstance instance;
    if (!instance.acquire())
        return handOver(app, instance);
    Session session(app, instance, ProgramFolder::init(applicationDirPath()));
    const int code = app.exec();
    app.setConsole(nullptr);
    return code;
}

int Application::runDemo(Application &app) {
    // The demo has a lock of its own: it runs beside the operator's console.
    SingleInstance instance(QStringLiteral("corvidserveradmin-demo"));
    if (!instance.acquire())
        return handOver(app, instance);
    DemoServers servers;
    const QString folder = DemoServers::defaultFolder();
    say(stdout, tr("Demo console in %1; starting the simulated servers…")
                    .arg(QDir::toNativeSeparators(folder)));
    std::unique_ptr<Session> session;
    QObject::connect(&servers, &DemoServers::failed, &app, [](const QString &reason) {
        say(stderr, QStringLiteral("kvd: ") + reason);
        QCoreApplication::exit(1);
    });
    QObject::connect(&servers, &DemoServers::ready, &app, [&] {
        for (const QString &line : servers.serverLines())
            say(stdout, line);
        session = std::make_unique<Session>(app, instance, folder, true);
    });
    servers.start(folder);
    const int code = app.exec();
    app.setConsole(nullptr);
    session.reset(); // the console ends before its servers
    return code;
}
