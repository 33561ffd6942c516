#pragma once

#include "update/UpdateService.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

// The About tab of the options dialog: what the console is, its version, and the two links to
// the update service, "Check for update" and "View last patchnotes". It shows the download's
// gauge while the new version arrives and "Done. Ready for Update..." once it is complete. The
// hosting dialog follows stateChanged(): it hides its "Close" button while downloading and
// shows it as "Restart" when ready, and calls restart() for that button.
class AboutPage final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AboutPage)

public:
    enum class State { Idle, Downloading, Ready };
    Q_ENUM(State)

    // The page follows the service's state from the start, so a page opened during or after a
    // download shows it.
    explicit AboutPage(UpdateService *updates, QWidget *parent = nullptr);

    State state() const { return m_state; }

    QPushButton *checkLink() const { return m_check; }
    QPushButton *patchNotesLink() const { return m_patchNotes; }
    QLabel *versionLine() const { return m_version; }
    QProgressBar *gauge() const { return m_gauge; }

public slots:
    // "Restart": writes and starts the updater; closeRequested() follows once it runs, and a
    // warning says why when it does not.
    void restart();

signals:
    void stateChanged(AboutPage::State state);
    // The updater runs and waits for the console to end: the dialog and the window close now.
    void closeRequested();

private:
    QPushButton *makeLink(const QString &caption);
    void follow(UpdateService::State serviceState);
    void showProgress(qint64 received, qint64 total);
    void offerUpdate(const QString &remoteLabel, bool downloadable);

    UpdateService *m_updates;
    QLabel *m_about;
    QLabel *m_version;
    QPushButton *m_check;
    QPushButton *m_patchNotes;
    QProgressBar *m_gauge;
    State m_state = State::Idle;
};
