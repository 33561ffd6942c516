#pragma once

#include <QString>

// The folder every file of the console lives in: the executable's folder when it is writable
// (a portable install), otherwise the per-user data folder. An installed console (its executable
// in the folder the build installs programs to, /usr/bin for the package) always uses the
// per-user data folder, even for a user who could write beside it.
class ProgramFolder final {
public:
    // Chooses and creates the folder; called once at start before any file is touched. A
    // per-user folder is made (or tightened to) its owner's alone.
    static QString init(const QString &executableDir);
    static void setPath(const QString &path);
    static QString path();

    // The folder init() takes for an executable in `executableDir` when the build installs
    // programs to `installedBinDir` (empty: no such folder). Creates nothing.
    static QString choose(const QString &executableDir, const QString &installedBinDir);
    // Where this build installs programs; empty when it was built without an install folder.
    static QString installedBinDir();
    // Whether `executableDir` is that folder (an installed console, owned by the package manager).
    static bool isInstalled(const QString &executableDir,
                            const QString &installedBinDir = ProgramFolder::installedBinDir());
};
