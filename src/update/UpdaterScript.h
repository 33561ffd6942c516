#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The small script that replaces the running executable by the downloaded "kvd.tmp" once the
// console has ended, and starts the new version. It runs in the executable's folder and uses
// names without a folder. Windows gets a batch file; elsewhere a POSIX shell script takes the
// same steps with the same pauses and messages, but waits for our process id to end instead of
// ending every process of our name.
class UpdaterScript final {
public:
    UpdaterScript() = delete;

    static QString downloadName() { return QStringLiteral("kvd.tmp"); }
    static QString batchName() { return QStringLiteral("kvdupd.bat"); }
    static QString shellName() { return QStringLiteral("kvdupd.sh"); }

    // `executable` is the file name of the program, e.g. "kvd.exe".
    static QStringList batchLines(const QString &executable);
    // Each line ended by CR LF, in Windows-1252.
    static QByteArray batchFile(const QStringList &lines);

    // `executable` is the file name of the program ("kvd"), `pid` the running console's process
    // id, `mode` the executable's permission bits (e.g. 0755), which the new file receives.
    static QStringList shellLines(const QString &executable, qint64 pid, int mode);
    // Each line ended by LF, in the local 8-bit encoding of file names.
    static QByteArray shellFile(const QStringList &lines);

    // How long the shell script waits for the console to end before it goes on regardless.
    static constexpr int kShellWaitSeconds = 60;
};
