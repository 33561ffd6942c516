#include "ui/AboutPage.h"

#include "ui/MessageBoxes.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <limits>

AboutPage::AboutPage(UpdateService *updates, QWidget *parent)
    : QWidget(parent)
    , m_updates(updates)
    , m_about(new QLabel(this))
    , m_version(new QLabel(UpdateService::versionLabel(), this))
    , m_check(makeLink(tr("Check for update")))
    , m_patchNotes(makeLink(tr("View last patchnotes")))
    , m_gauge(new QProgressBar(this)) {
    m_about->setText(
        tr("Corvid RCON Admin keeps watch over a group of game servers through their RCON "
           "port. It visits every server in turn, shows which are online and who plays on them, "
           "logs every join and departure with the time played, follows and archives each "
           "server's chat and game log, sends chat lines, broadcasts, admin commands and timed "
           "scripts, and builds player statistics from its program log."));
    m_about->setWordWrap(true);
    m_about->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_version->setObjectName(QStringLiteral("heading"));
    m_gauge->setAccessibleName(tr("Download progress"));
    m_gauge->setRange(0, 0);
    m_gauge->hide();

    auto *links = new QHBoxLayout;
    links->addWidget(m_check);
    links->addWidget(m_patchNotes);
    links->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_about);
    layout->addSpacing(12);
    layout->addWidget(m_version);
    layout->addLayout(links);
    layout->addWidget(m_gauge);
    layout->addStretch();
    setStyleSheet(
        QStringLiteral("QPushButton#link { background: transparent; border: 1px solid transparent; "
                       "color: palette(link); text-decoration: underline; padding: 2px 4px; }"
                       "QPushButton#link:hover { color: palette(bright-text); }"
                       "QPushButton#link:focus { border: 1px dotted palette(link); }"));

    connect(m_check, &QPushButton::clicked, m_updates, &UpdateService::checkForUpdate);
    connect(m_patchNotes, &QPushButton::clicked, m_updates, &UpdateService::fetchPatchNotes);
    connect(m_updates, &UpdateService::stateChanged, this, &AboutPage::follow);
    connect(m_updates, &UpdateService::downloadProgress, this, &AboutPage::showProgress);
    // The boxes open once the answer's handler has returned, never inside it.
    connect(
        m_updates, &UpdateService::noConnection, this,
        [this](const QString &reason) {
            MessageBoxes::warn(this, tr("No connection to updateservice!"), reason);
        },
        Qt::QueuedConnection);
    connect(
        m_updates, &UpdateService::latestVersionRunning, this,
        [this] { MessageBoxes::inform(this, tr("Running latest version")); }, Qt::QueuedConnection);
    connect(m_updates, &UpdateService::newerVersionAvailable, this, &AboutPage::offerUpdate,
            Qt::QueuedConnection);
    connect(
        m_updates, &UpdateService::changeLogTooLarge, this,
        [this] {
            MessageBoxes::warn(this, tr("Change log too large"),
                               tr("The update service sent more than %1 MiB as its change log, "
                                  "which no published change log has; no version was compared.")
                                   .arg(UpdateService::kChangeLogLimit / (1024 * 1024)));
        },
        Qt::QueuedConnection);
    connect(
        m_updates, &UpdateService::packageManaged, this,
        [this] {
            MessageBoxes::inform(this, tr("This Corvid RCON Admin was installed as a package: its "
                                          "updates come through the package manager."));
        },
        Qt::QueuedConnection);
    connect(
        m_updates, &UpdateService::patchNotesFetched, this,
        [this](const QString &changeLog, bool cutOff) {
            MessageBoxes::informScrollable(
                this, changeLog,
                cutOff ? tr("Change log too large: only its first %1 MiB is shown.")
                             .arg(UpdateService::kChangeLogLimit / (1024 * 1024))
                       : QString());
        },
        Qt::QueuedConnection);
    connect(
        m_updates, &UpdateService::downloadFailed, this,
        [this](const QString &reason) {
            MessageBoxes::warn(this, tr("Download failed: %1").arg(reason),
                               tr("The program was not changed."));
        },
        Qt::QueuedConnection);
    connect(
        m_updates, &UpdateService::updateRefused, this,
        [this](const QString &text, const QString &detail) {
            const QString unchanged = tr("The program was not changed.");
            MessageBoxes::warn(this, text,
                               detail.isEmpty() ? unchanged
                                                : detail + QStringLiteral("\n\n") + unchanged);
        },
        Qt::QueuedConnection);
    follow(m_updates->state());
}

QPushButton *AboutPage::makeLink(const QString &caption) {
    auto *link = new QPushButton(caption, this);
    link->setObjectName(QStringLiteral("link"));
    link->setFlat(true);
    link->setFocusPolicy(Qt::StrongFocus);
    link->setCursor(Qt::PointingHandCursor);
    link->setAccessibleName(caption);
    return link;
}

void AboutPage::follow(UpdateService::State serviceState) {
    State state = State::Idle;
    if (serviceState == UpdateService::State::Downloading)
        state = State::Downloading;
    else if (serviceState == UpdateService::State::Ready)
        state = State::Ready;

    // A second click while the change log is on its way would only ask again.
    m_check->setEnabled(serviceState != UpdateService::State::Checking);
    m_patchNotes->setEnabled(serviceState != UpdateService::State::Checking);
    m_check->setVisible(state == State::Idle);
    m_patchNotes->setVisible(state == State::Idle);
    m_gauge->setVisible(state == State::Downloading);
    switch (state) {
    case State::Idle:
        m_version->setText(UpdateService::versionLabel());
        break;
    case State::Downloading:
        m_gauge->setRange(0, 0);
        m_gauge->setValue(0);
        m_version->setText(tr("Downloading..."));
        break;
    case State::Ready:
        m_version->setText(tr("Done. Ready for Update..."));
        break;
    }
    if (state == m_state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void AboutPage::showProgress(qint64 received, qint64 total) {
    if (total < 0) {
        m_gauge->setRange(0, 0); // no length announced: the gauge only shows that bytes arrive
        return;
    }
    // The gauge counts in int: a file beyond its range is shown in KiB.
    const int shift = total > std::numeric_limits<int>::max() ? 10 : 0;
    m_gauge->setRange(0, int(total >> shift));
    m_gauge->setValue(int(received >> shift));
}

void AboutPage::offerUpdate(const QString &remoteLabel, bool downloadable) {
    if (!downloadable) {
        MessageBoxes::inform(this, tr("New version available (%1).\n\nThis installation cannot "
                                      "replace its own program file: please update Corvid RCON "
                                      "Admin through your package manager.")
                                       .arg(remoteLabel));
        return;
    }
    if (MessageBoxes::confirm(this, tr("New version available.   Update?")))
        m_updates->download();
}

void AboutPage::restart() {
    QString error;
    if (m_updates->startUpdater(&error)) {
        emit closeRequested();
        return;
    }
    MessageBoxes::warn(this, tr("The update could not be started."), error);
}
