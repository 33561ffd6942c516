#pragma once

#include <QDialog>

class AboutPage;
class Console;
class OptionsPage;
class QPushButton;
class QTabWidget;
class SchedulesPage;
class ScriptsPage;

// The options dialog: " Options " (the program's switches, each in force and written at once),
// " Scripts " (the script list), " Schedules " (the recurring schedules) and "About" (version and
// the update service), with "Close" below. Modal and on top; the values live in the console, so
// closing keeps every change.
class OptionsDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OptionsDialog)

public:
    enum class Tab { Options, Scripts, Schedules, About };

    OptionsDialog(Console *console, QWidget *parent = nullptr);

    // Refreshes every page from the console's state, shows `tab` and runs the dialog.
    void openOn(Tab tab);

    OptionsPage *optionsPage() const { return m_options; }
    ScriptsPage *scriptsPage() const { return m_scripts; }
    SchedulesPage *schedulesPage() const { return m_schedules; }
    AboutPage *aboutPage() const { return m_about; }
    QTabWidget *tabs() const { return m_tabs; }
    QPushButton *closeButton() const { return m_close; }

signals:
    // "Restart" has started the updater: the main window closes too.
    void restartRequested();

private:
    void followDownload();
    void closeClicked();

    QTabWidget *m_tabs;
    OptionsPage *m_options;
    ScriptsPage *m_scripts;
    SchedulesPage *m_schedules;
    AboutPage *m_about;
    QPushButton *m_close;
};
