#include "ui/Application.h"

#include "base/Logging.h"
#include "base/ProgramFolder.h"
#include "base/SingleInstance.h"
#include "base/StallReporter.h"
#include "base/TerminationSignals.h"
#include "console/CommandLine.h"
#include "console/Console.h"
#include "ui/Icons.h"
#include "ui/MainWindow.h"
#include "ui/Theme.h"

#include <exception>

namespace {
// The names decide the per-user program folder, so a run without a window shares them.
void setIdentity() {
    QCoreApplication::setApplicationName(QStringLiteral("Corvid RCON Admin"));
    QCoreApplication::setOrganizationName(QStringLiteral("Corvid"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KVD_VERSION));
}
} // namespace

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

int Application::run(int argc, char *argv[]) {
    // Exports and help need no display, no window and no lock.
    const CommandLine command = CommandLine::parse(CommandLine::arguments(argc, argv));
    if (command.action() != CommandLine::Action::StartConsole) {
        QCoreApplication app(argc, argv);
        setIdentity();
        return command.execute();
    }

    Application app(argc, argv);
    StallReporter::fromEnvironment(&app);
    // A second console ends here, before it touches any file.
    SingleInstance instance;
    if (!instance.acquire())
        return 0;

    Theme::apply(app);
    ProgramFolder::init(applicationDirPath());
    Console console(ProgramFolder::path());
    app.setConsole(&console);

    MainWindow window(&console);
    TerminationSignals termination;
    connectExit(&window, &termination);

    window.show();
    window.runStartUp();
    const int code = app.exec();
    app.setConsole(nullptr);
    return code;
}
