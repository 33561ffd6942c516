#include "base/ProgramFolder.h"

#include "base/PrivateFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace {
QString &folder() {
    static QString path;
    return path;
}

bool isWritableFolder(const QString &dir) {
    // QFileInfo::isWritable does not see read-only mounts; a real file does.
    QTemporaryFile probe(dir + QStringLiteral("/.kvd-write-probe-XXXXXX"));
    return probe.open();
}

// Symbolic links (/bin -> /usr/bin) and "." or ".." must not hide an installed executable.
bool isSameFolder(const QString &a, const QString &b) {
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}
} // namespace

bool ProgramFolder::isInstalled(const QString &executableDir, const QString &installedBinDir) {
    return !installedBinDir.isEmpty() && isSameFolder(executableDir, installedBinDir);
}

QString ProgramFolder::choose(const QString &executableDir, const QString &installedBinDir) {
    if (!isInstalled(executableDir, installedBinDir) && !executableDir.isEmpty() &&
        isWritableFolder(executableDir))
        return executableDir;
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString ProgramFolder::installedBinDir() {
#ifdef KVD_INSTALLED_BINDIR
    return QStringLiteral(KVD_INSTALLED_BINDIR);
#else
    return QString();
#endif
}

QString ProgramFolder::init(const QString &executableDir) {
    const QString chosen = choose(executableDir, installedBinDir());
    PrivateFiles::makeFolder(chosen);
    // The per-user folder is the console's alone; the executable's folder is shared with it.
    if (chosen != executableDir)
        PrivateFiles::tighten(chosen);
    setPath(chosen);
    return path();
}

void ProgramFolder::setPath(const QString &path) {
    folder() = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QString ProgramFolder::path() {
    return folder();
}
