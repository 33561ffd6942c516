#pragma once

#include <QString>
#include <QStringList>

// The console's command-line options. Without any the console window starts, with --demo the demo
// console; the others run without a window, take no single-instance lock and end the process. The
// toolkit's own options
// (-platform, -style, ...) pass through to the window.
class CommandLine final {
public:
    // StartDemo: a console of its own, in the demo folder, against simulated servers.
    enum class Action { StartConsole, StartDemo, ShowHelp, ShowVersion, ExportStatistics, Refuse };

    // `arguments` as the process received them, the program first.
    static CommandLine parse(const QStringList &arguments);
    static QStringList arguments(int argc, char *argv[]);

    Action action() const { return m_action; }
    // The CSV file of --export-statistics; "-" is standard output.
    QString exportTarget() const { return m_exportTarget; }
    // Why the arguments were refused.
    QString error() const { return m_error; }

    // The usage and the options; the program's name comes from the running application.
    static QString helpText();

    // Carries out an action other than StartConsole and StartDemo inside a running QCoreApplication
    // and returns the process's exit status: 0, 1 when an export failed, 2 when the arguments were
    // refused.
    int execute() const;

private:
    Action m_action = Action::StartConsole;
    QString m_exportTarget;
    QString m_error;
};
