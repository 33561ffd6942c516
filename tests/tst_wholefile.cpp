#include "base/WholeFile.h"

#include "FailingDevice.h"
#include "TestFiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

class TestWholeFile : public QObject {
    Q_OBJECT

private slots:
    void init() {
        QVERIFY(m_dir.isValid());
        QDir dir(m_dir.path());
        for (const QString &name : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot)) {
            QFileInfo info(dir.filePath(name));
            if (info.isDir())
                QVERIFY(QDir(info.filePath()).removeRecursively());
            else
                QVERIFY(QFile::remove(info.filePath()));
        }
    }

    void writeToDevice_data() {
        QTest::addColumn<qint64>("capacity");
        QTest::addColumn<bool>("ok");

        QTest::newRow("nothing fits") << qint64(0) << false;
        QTest::newRow("cut short in the middle") << qint64(5) << false;
        QTest::newRow("one byte short") << qint64(kContent.size() - 1) << false;
        QTest::newRow("exactly enough") << qint64(kContent.size()) << true;
    }

    void writeToDevice() {
        QFETCH(qint64, capacity);
        QFETCH(bool, ok);

        FailingDevice device(capacity, QStringLiteral("No space left on device"));
        QString error;
        QCOMPARE(WholeFile::writeTo(&device, kContent, &error), ok);
        QCOMPARE(device.accepted(), kContent.left(capacity));
        QCOMPARE(error, ok ? QString() : QStringLiteral("No space left on device"));
    }

    void shortWriteOfASaveKeepsTheOldFile() {
        const QString path = file();
        writeBytes(path, "previous");
        FailingSaveFile save(path, 4, QStringLiteral("No space left on device"));
        QVERIFY(save.open(QIODevice::WriteOnly));
        QString error;
        QVERIFY(!WholeFile::writeTo(&save, kContent, &error));
        QCOMPARE(error, QStringLiteral("No space left on device"));
        QCOMPARE(readBytes(path), QByteArray("previous"));
        QCOMPARE(entries(), QStringList{QStringLiteral("data.txt")}); // no temporary left over
    }

    void writeReplacesTheWholeFile() {
        writeBytes(file(), QByteArray(1000, 'x'));
        QString error;
        QVERIFY(WholeFile::write(file(), kContent, &error));
        QVERIFY(error.isEmpty());
        QCOMPARE(readBytes(file()), kContent);
        QCOMPARE(entries(), QStringList{QStringLiteral("data.txt")});
    }

    // Runs as root too: a folder in the file's place stops the save where permissions would not.
    void folderInTheWayFailsWithAReason() {
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("data.txt")));
        writeBytes(m_dir.filePath(QStringLiteral("data.txt/inside")), "kept");
        QString error;
        QVERIFY(!WholeFile::write(file(), kContent, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(QFileInfo(file()).isDir());
        QCOMPARE(readBytes(m_dir.filePath(QStringLiteral("data.txt/inside"))), QByteArray("kept"));
        QCOMPARE(entries(), QStringList{QStringLiteral("data.txt")});
    }

    void missingFolderFailsWithAReason() {
        QString error;
        QVERIFY(
            !WholeFile::write(m_dir.filePath(QStringLiteral("none/data.txt")), kContent, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(entries().isEmpty());
    }

    void readTellsMissingFromUnreadable() {
        QByteArray bytes = "stale";
        QString error = QStringLiteral("untouched");
        QCOMPARE(WholeFile::read(file(), &bytes, &error), WholeFile::ReadResult::Missing);
        QVERIFY(bytes.isEmpty());
        QCOMPARE(error, QStringLiteral("untouched"));

        writeBytes(file(), kContent);
        QCOMPARE(WholeFile::read(file(), &bytes, &error), WholeFile::ReadResult::Read);
        QCOMPARE(bytes, kContent);

        // A folder is there but is no file to read.
        error.clear();
        QCOMPARE(WholeFile::read(m_dir.path(), &bytes, &error), WholeFile::ReadResult::Failed);
        QVERIFY(bytes.isEmpty());
        QVERIFY(!error.isEmpty());
    }

    void emptyFileIsReadNotMissing() {
        writeBytes(file(), QByteArray());
        QByteArray bytes = "stale";
        QCOMPARE(WholeFile::read(file(), &bytes), WholeFile::ReadResult::Read);
        QVERIFY(bytes.isEmpty());
    }

private:
    static inline const QByteArray kContent = QByteArrayLiteral("line one\r\nline two\r\n");

    QString file() const { return m_dir.filePath(QStringLiteral("data.txt")); }
    QStringList entries() const {
        return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestWholeFile)
#include "tst_wholefile.moc"
