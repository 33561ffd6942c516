#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// Whole-file reads and writes whose failures reach the caller. A write goes to a temporary file
// beside the target and replaces it only once every byte is written, so a full disk or a folder
// in the way leaves the previous file as it was. Every file written is its owner's alone (0600).
class WholeFile final {
public:
    enum class ReadResult { Read, Missing, Failed };

    WholeFile() = delete;

    // Missing when nothing is at `path` (`error` untouched); Failed, with the reason in `error`,
    // when something is there but cannot be read. `bytes` is empty unless the read succeeded.
    static ReadResult read(const QString &path, QByteArray *bytes, QString *error = nullptr);

    // False with the reason in `error` when the file could not be replaced.
    static bool write(const QString &path, const QByteArray &bytes, QString *error = nullptr);

    // Writes every byte to an open device and finishes it: a QSaveFile is committed, or cancelled
    // on a short write so that nothing replaces its file. False with the device's reason.
    static bool writeTo(QIODevice *device, const QByteArray &bytes, QString *error = nullptr);
};
