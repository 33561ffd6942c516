#pragma once

#include <QString>

#include <memory>

class QLockFile;

// Only one console runs per user: a lock file named "corvidserveradmin" in the runtime folder.
// A lock left behind by a crashed instance is taken over.
class SingleInstance final {
public:
    SingleInstance();
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // True when this process is the only instance; it then holds the lock until destroyed.
    bool acquire();
    static QString lockPath();

private:
    std::unique_ptr<QLockFile> m_lock;
};
