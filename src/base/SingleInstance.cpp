#include "base/SingleInstance.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

SingleInstance::SingleInstance() = default;
SingleInstance::~SingleInstance() = default;

QString SingleInstance::lockPath() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir + QStringLiteral("/corvidserveradmin.lock");
}

bool SingleInstance::acquire() {
    m_lock = std::make_unique<QLockFile>(lockPath());
    // A lock whose process is gone counts as stale at once; a live holder is never timed out.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return true;
    m_lock.reset();
    return false;
}
