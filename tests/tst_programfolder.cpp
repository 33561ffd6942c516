// Where the console keeps its files: beside a portable executable, per user when installed.
#include "base/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class TestProgramFolder : public QObject {
    Q_OBJECT

private:
    static QString perUser() {
        return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    }

private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("Corvid"));
        QCoreApplication::setApplicationName(QStringLiteral("Corvid RCON Admin"));
    }

    void portableBuildKeepsItsFilesBesideTheExecutable() {
        QTemporaryDir exe;
        QTemporaryDir installed;
        QCOMPARE(ProgramFolder::choose(exe.path(), installed.path()), exe.path());
        QCOMPARE(ProgramFolder::choose(exe.path(), QString()), exe.path());
    }

    // Root may write to /usr/bin: being writable must not make an installed console portable.
    void installedExecutableUsesThePerUserFolder() {
        QTemporaryDir bin;
        QCOMPARE(ProgramFolder::choose(bin.path(), bin.path()), perUser());
        QCOMPARE(ProgramFolder::choose(bin.path() + QStringLiteral("/."), bin.path()), perUser());
    }

    void installFolderReachedThroughALinkIsStillInstalled() {
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("usr/bin")));
        const QString real = root.filePath(QStringLiteral("usr/bin"));
        const QString link = root.filePath(QStringLiteral("bin"));
        QVERIFY(QFile::link(real, link));
        QCOMPARE(ProgramFolder::choose(link, real), perUser());
        QCOMPARE(ProgramFolder::choose(real, link), perUser());
    }

    void unwritableExecutableFolderFallsBackToThePerUserFolder() {
        if (::geteuid() == 0)
            QSKIP("root writes everywhere; the write probe cannot fail");
        QTemporaryDir exe;
        QFile::setPermissions(exe.path(), QFile::ReadOwner | QFile::ExeOwner);
        QCOMPARE(ProgramFolder::choose(exe.path(), QString()), perUser());
        QFile::setPermissions(exe.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void theBuildKnowsItsInstallFolder() {
        QVERIFY(QDir::isAbsolutePath(ProgramFolder::installedBinDir()));
    }
};

QTEST_GUILESS_MAIN(TestProgramFolder)
#include "tst_programfolder.moc"
