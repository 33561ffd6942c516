#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class BoundedFetch;
class QNetworkAccessManager;
class QNetworkRequest;
class RangedDownload;

// Talks to the publisher's update service: a web server (its base URL is `[Update] url=` in
// app.ini) holding "corvid/changelog.txt", whose first line names the newest version, and
// "corvid/<our executable's file name>", the newest executable. It checks for a newer version,
// fetches the change log, downloads the executable in pieces beside ours as "kvd.tmp", and hands
// over to an updater script that replaces the executable once the console has ended. Every
// step follows a network signal; what to ask and show the operator is the window's business,
// so each outcome is a signal.
//
// A hostile or broken service gets nowhere: it is reached over https:// (plain http:// only on
// this computer), the change log is read up to 1 MiB, and the download is kept only when its
// SHA-256 is the one published beside it as "corvid/<executable>.sha256".
class UpdateService final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UpdateService)

public:
    enum class State { Idle, Checking, Downloading, Ready };
    Q_ENUM(State)

    // Starts the written updater script; false with the reason in `error` when it did not start.
    using Launcher = std::function<bool(const QString &script, QString *error)>;

    // `settingsPath` is app.ini; `executablePath` the running program, beside which the
    // download and the updater script are written.
    UpdateService(const QString &settingsPath, const QString &executablePath,
                  QObject *parent = nullptr);
    ~UpdateService() override;

    // "Ver.: " and the build's four-part version; the change log's first line starts the same way.
    static QString versionLabel();
    // The first 13 characters of the change log's first line (all of it when shorter).
    static QString remoteLabel(const QString &changeLog);
    // Ordinal text comparison, as the published change logs expect.
    static bool isNewer(const QString &remote, const QString &own);
    // The change log is read no further than this.
    static constexpr qint64 kChangeLogLimit = 1024 * 1024;

    State state() const { return m_state; }
    // The base URL from app.ini; invalid, with the reason in `problem`, when it is missing, not
    // an https:// address, or plain http:// to another computer.
    QUrl baseUrl(QString *problem = nullptr) const;
    QString executablePath() const { return m_executablePath; }
    QString downloadPath() const;
    QString updaterPath() const;
    // False in an installed package: its folder is not ours to write, its package manager updates.
    bool canReplaceExecutable() const;
    // An installed package's executable (the build's install folder), which only its package
    // manager updates.
    bool isPackaged() const;

    // Tests record the start instead of running the updater.
    void setLauncher(Launcher launcher);

public slots:
    // Answered by latestVersionRunning(), newerVersionAvailable(), changeLogTooLarge(),
    // noConnection(), or at once by packageManaged() for an installed package.
    void checkForUpdate();
    // Answered by patchNotesFetched() or noConnection().
    void fetchPatchNotes();
    // Fetches the published digest, then the newest executable; ends in downloadFinished()
    // (state Ready), or in downloadFailed() or updateRefused() (state Idle, nothing left behind).
    void download();
    // Ready only: writes the updater script beside the executable and starts it. On success
    // updaterStarted() asks the console to close so the script can replace the executable.
    bool startUpdater(QString *error = nullptr);

signals:
    void stateChanged(UpdateService::State state);
    // The change log could not be fetched; `reason` says why, for the curious.
    void noConnection(const QString &reason);
    void latestVersionRunning();
    // `downloadable` is false where the executable's folder cannot be written.
    void newerVersionAvailable(const QString &remoteLabel, bool downloadable);
    // The change log went on beyond kChangeLogLimit: no version is compared.
    void changeLogTooLarge();
    // The console was installed as a package; the service is not asked.
    void packageManaged();
    // `cutOff`: the change log is longer and this is its first kChangeLogLimit bytes.
    void patchNotesFetched(const QString &changeLog, bool cutOff);
    // `total` is -1 while the length is unknown.
    void downloadProgress(qint64 received, qint64 total);
    void downloadFailed(const QString &reason);
    // No verified file: the digest is missing or unreadable, or the download does not match it.
    // `text` starts "Update refused: "; `detail` says more, or is empty.
    void updateRefused(const QString &text, const QString &detail);
    void downloadFinished();
    void updaterStarted();

private:
    enum class ChangeLogUse { Check, PatchNotes };

    QNetworkRequest request(const QString &path) const;
    // The one fetch of the change log or the digest in flight.
    BoundedFetch *startFetch(const QString &path, qint64 limit);
    void dropFetch();
    void fetchChangeLog(ChangeLogUse use);
    void changeLogArrived(ChangeLogUse use, const QString &changeLog, bool cutOff);
    void digestArrived(const QByteArray &file, bool cutOff);
    void refuse(const QString &text, const QString &detail);
    void setState(State state);
    static bool launch(const QString &script, QString *error);

    QString m_settingsPath;
    QString m_executablePath;
    QNetworkAccessManager *m_network;
    BoundedFetch *m_fetch = nullptr;
    RangedDownload *m_download = nullptr;
    Launcher m_launcher;
    State m_state = State::Idle;
};
