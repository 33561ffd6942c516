#include "base/WholeFile.h"

#include "base/PrivateFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
void setError(QString *error, const QString &text) {
    if (error)
        *error = text;
}
} // namespace

WholeFile::ReadResult WholeFile::read(const QString &path, QByteArray *bytes, QString *error) {
    bytes->clear();
    if (!QFileInfo::exists(path))
        return ReadResult::Missing;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, file.errorString());
        return ReadResult::Failed;
    }
    QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        setError(error, file.errorString());
        return ReadResult::Failed;
    }
    *bytes = std::move(content);
    return ReadResult::Read;
}

bool WholeFile::write(const QString &path, const QByteArray &bytes, QString *error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        setError(error, file.errorString());
        return false;
    }
    PrivateFiles::restrict(&file);
    return writeTo(&file, bytes, error);
}

bool WholeFile::writeTo(QIODevice *device, const QByteArray &bytes, QString *error) {
    auto *saveFile = qobject_cast<QSaveFile *>(device);
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 chunk = device->write(bytes.constData() + written, bytes.size() - written);
        if (chunk <= 0) {
            setError(error, device->errorString());
            if (saveFile) {
                saveFile->cancelWriting();
                // Removes the temporary now rather than when the QSaveFile goes away.
                saveFile->commit();
            }
            return false;
        }
        written += chunk;
    }
    if (saveFile && !saveFile->commit()) {
        setError(error, saveFile->errorString());
        return false;
    }
    return true;
}
