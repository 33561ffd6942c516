#include "base/ProgramFolder.h"

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
} // namespace

QString ProgramFolder::init(const QString &executableDir) {
    QString chosen = executableDir;
    if (chosen.isEmpty() || !isWritableFolder(chosen))
        chosen = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    QDir().mkpath(chosen);
    setPath(chosen);
    return path();
}

void ProgramFolder::setPath(const QString &path) {
    folder() = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

QString ProgramFolder::path() {
    return folder();
}
