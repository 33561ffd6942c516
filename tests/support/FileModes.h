#pragma once

#include <QFile>
#include <QString>

#include <sys/stat.h>
#include <sys/types.h>

// The permission bits of a file or folder as chmod writes them (0600), or -1 when it is missing.
inline int fileMode(const QString &path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return -1;
    return int(info.st_mode & 07777);
}

// Sets the permission bits as chmod does; false when that failed.
inline bool setFileMode(const QString &path, int mode) {
    return ::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0;
}

// The process's umask for the lifetime of the object, the previous one restored afterwards.
class ScopedUmask final {
public:
    explicit ScopedUmask(int mask)
        : m_previous(::umask(mode_t(mask))) {}
    ~ScopedUmask() { ::umask(m_previous); }
    ScopedUmask(const ScopedUmask &) = delete;
    ScopedUmask &operator=(const ScopedUmask &) = delete;

private:
    mode_t m_previous;
};
