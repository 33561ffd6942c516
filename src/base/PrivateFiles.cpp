#include "base/PrivateFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QPair>
#include <QSaveFile>

namespace {
constexpr QFileDevice::Permissions kOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                             QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                             QFileDevice::WriteOther | QFileDevice::ExeOther;
// Notices kept for a reporter yet to come; a run without one (an export) drops the rest.
constexpr qsizetype kMaxPending = 100;

using Notice = QPair<QString, QFileDevice::Permissions>;

PrivateFiles::Reporter &reporter() {
    static PrivateFiles::Reporter current;
    return current;
}

QList<Notice> &pending() {
    static QList<Notice> notices;
    return notices;
}

void report(const QString &path, QFileDevice::Permissions was) {
    if (reporter())
        reporter()(path, was);
    else if (pending().size() < kMaxPending)
        pending().append({path, was});
}
} // namespace

void PrivateFiles::setReporter(Reporter newReporter) {
    reporter() = std::move(newReporter);
    if (!reporter())
        return;
    const QList<Notice> notices = std::exchange(pending(), {});
    for (const Notice &notice : notices)
        reporter()(notice.first, notice.second);
}

bool PrivateFiles::isOpenToOthers(QFileDevice::Permissions permissions) {
    return (permissions & kOthers) != 0;
}

void PrivateFiles::restrict(QSaveFile *file) {
#ifdef Q_OS_WIN
    Q_UNUSED(file)
#else
    const QFileInfo target(file->fileName());
    if (target.exists() && isOpenToOthers(target.permissions()))
        report(target.absoluteFilePath(), target.permissions());
    // fchmod of the open temporary: no umask, and the commit keeps it. Where the file system
    // knows no modes the file is still written.
    file->setPermissions(kFileMode);
#endif
}

bool PrivateFiles::tighten(const QString &path) {
#ifdef Q_OS_WIN
    Q_UNUSED(path)
    return false;
#else
    const QFileInfo info(path);
    // A link leads out of the folder: what it points to is not ours to change.
    if (info.isSymLink() || !info.exists() || !isOpenToOthers(info.permissions()))
        return false;
    if (!QFile::setPermissions(path, info.isDir() ? kFolderMode : kFileMode))
        return false;
    report(info.absoluteFilePath(), info.permissions());
    return true;
#endif
}

int PrivateFiles::tightenFolder(const QString &programFolder) {
    const QDir folder(programFolder);
    QStringList paths = {folder.filePath(QStringLiteral("app.ini")),
                         folder.filePath(QStringLiteral("server.dat"))};
    for (const QString &name : {QStringLiteral("logs"), QStringLiteral("scripts")}) {
        const QDir below(folder.filePath(name));
        for (const QString &file : below.entryList(QDir::Files | QDir::Hidden | QDir::NoSymLinks))
            paths << below.filePath(file);
    }
    int tightened = 0;
    for (const QString &path : std::as_const(paths)) {
        if (tighten(path))
            ++tightened;
    }
    return tightened;
}

bool PrivateFiles::makeFolder(const QString &path) {
    const QString target = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QStringList missing;
    for (QString at = target; !QFileInfo::exists(at);) {
        missing.prepend(at);
        const QString above = QFileInfo(at).path();
        if (above == at)
            break;
        at = above;
    }
    for (const QString &folder : std::as_const(missing)) {
#ifdef Q_OS_WIN
        const bool made = QDir().mkdir(folder);
#else
        const bool made = QDir().mkdir(folder, kFolderMode);
#endif
        if (!made && !QFileInfo(folder).isDir())
            return false;
    }
    return QFileInfo(target).isDir();
}

QString PrivateFiles::notice(const QString &path, const QString &programFolder,
                             QFileDevice::Permissions was) {
    const QString folder = QDir::cleanPath(QFileInfo(programFolder).absoluteFilePath());
    const QString file = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const QString name = file.startsWith(folder + QLatin1Char('/'))
                             ? file.mid(folder.size() + 1)
                             : QDir::toNativeSeparators(file);
    const bool readable = (was & (QFileDevice::ReadGroup | QFileDevice::ReadOther)) != 0;
    return readable
               ? QCoreApplication::translate(
                     "PrivateFiles", "File permissions tightened: %1 (was readable by other users)")
                     .arg(name)
               : QCoreApplication::translate(
                     "PrivateFiles", "File permissions tightened: %1 (was open to other users)")
                     .arg(name);
}
