#pragma once

#include <QFileDevice>
#include <QString>

#include <functional>

class QSaveFile;

// The console's files hold server passwords and the webhook secret, so they are its user's
// alone: every file it writes is created readable and writable by its owner only (0600), a
// folder it creates for itself is 0700, and a file of its folder found open to other users is
// tightened once, which the program log is told. Windows keeps its folders' access lists.
class PrivateFiles final {
public:
    PrivateFiles() = delete;

    static constexpr QFileDevice::Permissions kFileMode =
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
        QFileDevice::WriteUser;
    static constexpr QFileDevice::Permissions kFolderMode =
        kFileMode | QFileDevice::ExeOwner | QFileDevice::ExeUser;

    // Told the file or folder at `path` was tightened and what its permissions were.
    using Reporter = std::function<void(const QString &path, QFileDevice::Permissions was)>;
    // Notices made while no reporter is set wait for the next one (the program folder is
    // chosen before the program log exists).
    static void setReporter(Reporter reporter);

    // Whether group or others may do anything with a file of these permissions.
    static bool isOpenToOthers(QFileDevice::Permissions permissions);

    // Gives a QSaveFile that was just opened the mode of a private file for its temporary, which
    // the commit carries over; a file it replaces that was open to others is reported.
    static void restrict(QSaveFile *file);
    // Tightens the file or folder at `path` when it is open to others, and reports it. True
    // when it was tightened.
    static bool tighten(const QString &path);
    // The files the console writes in its program folder: app.ini, server.dat and every file
    // in logs/ and scripts/. Returns how many were tightened.
    static int tightenFolder(const QString &programFolder);
    // Creates the folder and every missing folder above it with the folder mode; false when it
    // cannot be created.
    static bool makeFolder(const QString &path);

    // The program-log line for a tightened file: its name below `programFolder` when it lies
    // there, else its full path.
    static QString notice(const QString &path, const QString &programFolder,
                          QFileDevice::Permissions was);
};
