#pragma once

#include <QApplication>

class Console;
class MainWindow;
class SingleInstance;
class TerminationSignals;

// The console's application object: single-instance check, theme, the main window, and the
// last catch for failures that no handler caught.
class Application final : public QApplication {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Application)

public:
    Application(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
    void setConsole(Console *console) { m_console = console; }

    // Every way of ending the console runs the window's exit sequence once and then ends the
    // event loop, nested ones included: closing the window (also from the tray while it is
    // hidden there), a termination signal, and the desktop session ending.
    static void connectExit(MainWindow *window, TerminationSignals *termination);
    // A later start of the console brings this window to the front.
    static void connectLaterStarts(MainWindow *window, SingleInstance *instance);

    static int run(int argc, char *argv[]);

private:
    struct Session;
    // "--demo": the demo console once its simulated servers listen.
    static int runDemo(Application &app);

    Console *m_console = nullptr;
};
