#pragma once

#include <QApplication>

class Console;

// The console's application object: single-instance check, theme, the main window, and the
// last catch for failures that no handler caught.
class Application final : public QApplication {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Application)

public:
    Application(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
    void setConsole(Console *console) { m_console = console; }

    static int run(int argc, char *argv[]);

private:
    Console *m_console = nullptr;
};
