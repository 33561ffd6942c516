#pragma once

#include <QString>

// The folder every file of the console lives in: the executable's folder when it is writable
// (a portable install), otherwise the per-user data folder.
class ProgramFolder final {
public:
    // Chooses and creates the folder; called once at start before any file is touched.
    static QString init(const QString &executableDir);
    static void setPath(const QString &path);
    static QString path();
};
