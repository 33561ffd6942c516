#include "update/UpdateService.h"

#include "base/AnsiCodec.h"
#include "base/AppSettings.h"
#include "base/Intervals.h"
#include "base/ProgramFolder.h"
#include "base/WholeFile.h"
#include "update/BoundedFetch.h"
#include "update/PublishedDigest.h"
#include "update/RangedDownload.h"
#include "update/UpdateTransport.h"
#include "update/UpdaterScript.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkRequest>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryFile>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <shellapi.h>
#endif

namespace {
constexpr int kLabelLength = 13;

// The publisher writes the change log in whatever editor is at hand: a byte-order mark or
// valid UTF-8 says so, anything else is the Windows code page. A change log cut off at the
// limit ends with its last whole line, or its last whole character.
QString changeLogText(QByteArray bytes, bool cutOff) {
    const bool utf16 = bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
    if (cutOff && utf16) {
        bytes.truncate(bytes.size() & ~qsizetype(1));
    } else if (cutOff) {
        const qsizetype lastBreak = bytes.lastIndexOf('\n');
        if (lastBreak >= 0)
            bytes.truncate(lastBreak + 1);
    }
    if (bytes.startsWith("\xEF\xBB\xBF") || utf16)
        return AnsiCodec::decodeFile(bytes);
    // Kept between calls, a character cut in half is no error but an unfinished one.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        cutOff ? QStringDecoder::Flag::Default : QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? AnsiCodec::decode(bytes) : text;
}

#ifndef Q_OS_WIN
// The executable's mode as chmod takes it: owner, group and others.
int permissionBits(QFileDevice::Permissions permissions) {
    const int flags = permissions.toInt();
    return ((flags >> 12) & 07) << 6 | ((flags >> 4) & 07) << 3 | (flags & 07);
}
#endif
} // namespace

UpdateService::UpdateService(const QString &settingsPath, const QString &executablePath,
                             QObject *parent)
    : QObject(parent)
    , m_settingsPath(settingsPath)
    , m_executablePath(QFileInfo(executablePath).absoluteFilePath())
    , m_network(new QNetworkAccessManager(this)) {
    m_network->setCookieJar(new QNetworkCookieJar(m_network));
}

UpdateService::~UpdateService() = default;

QString UpdateService::versionLabel() {
    return QStringLiteral("Ver.: " KVD_VERSION);
}

QString UpdateService::remoteLabel(const QString &changeLog) {
    qsizetype end = changeLog.indexOf(QLatin1Char('\n'));
    if (end < 0)
        end = changeLog.size();
    QString firstLine = changeLog.left(end);
    if (firstLine.endsWith(QLatin1Char('\r')))
        firstLine.chop(1);
    return firstLine.left(kLabelLength);
}

bool UpdateService::isNewer(const QString &remote, const QString &own) {
    return QString::compare(remote, own, Qt::CaseSensitive) > 0;
}

QUrl UpdateService::baseUrl(QString *problem) const {
    const QString text = AppSettings::updateUrl(m_settingsPath);
    QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (text.isEmpty() || !url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https"))) {
        if (problem)
            *problem = text.isEmpty()
                           ? tr("app.ini names no update service ([Update] url=)")
                           : tr("[Update] url=%1 in app.ini is no http or https address").arg(text);
        return QUrl();
    }
    const QString refusal = UpdateTransport::refusal(url);
    if (!refusal.isEmpty()) {
        if (problem)
            *problem = tr("[Update] url=%1 in app.ini is refused: %2").arg(text, refusal);
        return QUrl();
    }
    // The files lie below the given address, whether or not it ends with a slash.
    if (!url.path().endsWith(QLatin1Char('/')))
        url.setPath(url.path() + QLatin1Char('/'));
    return url;
}

QString UpdateService::downloadPath() const {
    return QFileInfo(m_executablePath).absoluteDir().filePath(UpdaterScript::downloadName());
}

QString UpdateService::updaterPath() const {
#ifdef Q_OS_WIN
    const QString name = UpdaterScript::batchName();
#else
    const QString name = UpdaterScript::shellName();
#endif
    return QFileInfo(m_executablePath).absoluteDir().filePath(name);
}

bool UpdateService::isPackaged() const {
    return ProgramFolder::isInstalled(QFileInfo(m_executablePath).absolutePath());
}

bool UpdateService::canReplaceExecutable() const {
    // An installed executable is the package manager's, even where root could replace it.
    if (isPackaged())
        return false;
    // A real file tells what permissions and read-only mounts allow.
    QTemporaryFile probe(QFileInfo(m_executablePath).absolutePath() +
                         QStringLiteral("/.kvd-update-probe-XXXXXX"));
    return probe.open();
}

void UpdateService::setLauncher(Launcher launcher) {
    m_launcher = std::move(launcher);
}

QNetworkRequest UpdateService::request(const QString &path) const {
    QUrl relative;
    relative.setPath(path, QUrl::DecodedMode);
    QNetworkRequest request(baseUrl().resolved(relative));
    request.setRawHeader("Accept",
                         "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QStringLiteral("Mozilla/3.0 (compatible; Indy Library)"));
    // Byte ranges count the file's own bytes, never those of a compressed transfer.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setTransferTimeout(Intervals::instance().updateTransferTimeoutMs);
    // Every redirect is checked against the transport rule (UpdateTransport::guardRedirects).
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    return request;
}

void UpdateService::checkForUpdate() {
    if (m_state != State::Idle)
        return;
    if (isPackaged()) {
        emit packageManaged();
        return;
    }
    fetchChangeLog(ChangeLogUse::Check);
}

void UpdateService::fetchPatchNotes() {
    fetchChangeLog(ChangeLogUse::PatchNotes);
}

BoundedFetch *UpdateService::startFetch(const QString &path, qint64 limit) {
    m_fetch = new BoundedFetch(m_network, request(path), limit, this);
    return m_fetch;
}

void UpdateService::dropFetch() {
    m_fetch->deleteLater();
    m_fetch = nullptr;
}

void UpdateService::fetchChangeLog(ChangeLogUse use) {
    if (m_state != State::Idle)
        return;
    QString problem;
    if (!baseUrl(&problem).isValid()) {
        emit noConnection(problem);
        return;
    }
    setState(State::Checking);
    BoundedFetch *fetch = startFetch(QStringLiteral("corvid/changelog.txt"), kChangeLogLimit);
    connect(fetch, &BoundedFetch::finished, this,
            [this, use](const QByteArray &bytes, bool cutOff) {
                dropFetch();
                setState(State::Idle);
                changeLogArrived(use, changeLogText(bytes, cutOff), cutOff);
            });
    connect(fetch, &BoundedFetch::failed, this, [this](const QString &reason) {
        dropFetch();
        setState(State::Idle);
        emit noConnection(reason);
    });
    fetch->start();
}

void UpdateService::changeLogArrived(ChangeLogUse use, const QString &changeLog, bool cutOff) {
    if (use == ChangeLogUse::PatchNotes) {
        emit patchNotesFetched(changeLog, cutOff);
        return;
    }
    // No change log is that long: whatever answered is not the publisher's service.
    if (cutOff) {
        emit changeLogTooLarge();
        return;
    }
    const QString remote = remoteLabel(changeLog);
    if (isNewer(remote, versionLabel()))
        emit newerVersionAvailable(remote, canReplaceExecutable());
    else
        emit latestVersionRunning();
}

void UpdateService::download() {
    if (m_state != State::Idle)
        return;
    if (!canReplaceExecutable()) {
        emit downloadFailed(
            tr("%1 cannot be written: update through the package manager")
                .arg(QDir::toNativeSeparators(QFileInfo(m_executablePath).absolutePath())));
        return;
    }
    QString problem;
    if (!baseUrl(&problem).isValid()) {
        emit downloadFailed(problem);
        return;
    }
    // An earlier download is never taken for this one, whatever becomes of it.
    QFile::remove(downloadPath());
    setState(State::Downloading);
    // The digest first: without one nothing is worth downloading.
    const QString digestPath = QStringLiteral("corvid/") +
                               PublishedDigest::fileName(QFileInfo(m_executablePath).fileName());
    BoundedFetch *fetch = startFetch(digestPath, PublishedDigest::kMaxFileSize);
    connect(fetch, &BoundedFetch::finished, this, [this](const QByteArray &bytes, bool cutOff) {
        dropFetch();
        digestArrived(bytes, cutOff);
    });
    connect(fetch, &BoundedFetch::failed, this,
            [this, digestPath](const QString &reason, int status) {
                dropFetch();
                const bool missing = status == 404 || status == 410;
                refuse(missing ? tr("Update refused: the update service publishes no SHA-256 of "
                                    "the new version")
                               : tr("Update refused: the published SHA-256 of the new version "
                                    "could not be fetched"),
                       tr("%1: %2").arg(digestPath, reason));
            });
    fetch->start();
}

void UpdateService::digestArrived(const QByteArray &file, bool cutOff) {
    const QString executable = QFileInfo(m_executablePath).fileName();
    const QByteArray digest = cutOff ? QByteArray() : PublishedDigest::parse(file);
    if (digest.isEmpty()) {
        refuse(tr("Update refused: the published SHA-256 of the new version is unreadable"),
               tr("corvid/%1 does not hold one line of 64 hexadecimal digits and the file's "
                  "name, as sha256sum writes it")
                   .arg(PublishedDigest::fileName(executable)));
        return;
    }
    m_download = new RangedDownload(m_network, request(QStringLiteral("corvid/") + executable),
                                    downloadPath(), digest, this);
    connect(m_download, &RangedDownload::progress, this, &UpdateService::downloadProgress);
    connect(m_download, &RangedDownload::finished, this, [this] {
        m_download->deleteLater();
        m_download = nullptr;
        setState(State::Ready);
        emit downloadFinished();
    });
    connect(m_download, &RangedDownload::failed, this, [this](const QString &reason) {
        m_download->deleteLater();
        m_download = nullptr;
        setState(State::Idle);
        emit downloadFailed(reason);
    });
    connect(m_download, &RangedDownload::digestMismatched, this, [this] {
        m_download->deleteLater();
        m_download = nullptr;
        refuse(tr("Update refused: the downloaded file does not match its published SHA-256"),
               QString());
    });
    m_download->start();
}

void UpdateService::refuse(const QString &text, const QString &detail) {
    setState(State::Idle);
    emit updateRefused(text, detail);
}

bool UpdateService::startUpdater(QString *error) {
    auto failed = [error](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (m_state != State::Ready || !QFile::exists(downloadPath()))
        return failed(tr("no downloaded version is ready"));

    const QString executable = QFileInfo(m_executablePath).fileName();
    const QString script = updaterPath();
#ifdef Q_OS_WIN
    const QByteArray bytes = UpdaterScript::batchFile(UpdaterScript::batchLines(executable));
#else
    const int mode = permissionBits(QFileInfo(m_executablePath).permissions());
    const QByteArray bytes = UpdaterScript::shellFile(
        UpdaterScript::shellLines(executable, QCoreApplication::applicationPid(), mode));
#endif
    QString why;
    if (!WholeFile::write(script, bytes, &why))
        return failed(tr("%1 cannot be written: %2").arg(QDir::toNativeSeparators(script), why));
#ifndef Q_OS_WIN
    QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                      QFileDevice::ExeOwner | QFileDevice::ReadUser |
                                      QFileDevice::WriteUser | QFileDevice::ExeUser);
#endif
    const bool started = m_launcher ? m_launcher(script, &why) : launch(script, &why);
    if (!started)
        return failed(tr("the updater did not start: %1").arg(why));
    emit updaterStarted();
    return true;
}

bool UpdateService::launch(const QString &script, QString *error) {
    const QString folder = QFileInfo(script).absolutePath();
#ifdef Q_OS_WIN
    // The desktop's "open" action runs the batch file in a console window of its own.
    const QString nativeScript = QDir::toNativeSeparators(script);
    const QString nativeFolder = QDir::toNativeSeparators(folder);
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", reinterpret_cast<LPCWSTR>(nativeScript.utf16()), nullptr,
                      reinterpret_cast<LPCWSTR>(nativeFolder.utf16()), SW_SHOWNORMAL));
    if (result > 32)
        return true;
    *error = tr("error %1").arg(qint64(result));
    return false;
#else
    if (QProcess::startDetached(QStringLiteral("/bin/sh"), {script}, folder))
        return true;
    *error = tr("/bin/sh could not be run");
    return false;
#endif
}

void UpdateService::setState(State state) {
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}
