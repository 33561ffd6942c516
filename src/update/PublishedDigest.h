#pragma once

#include <QByteArray>
#include <QString>

// The SHA-256 digest the update service publishes beside the executable, as
// "corvid/<executable>.sha256" in the form sha256sum writes: 64 hexadecimal digits (either
// case), two blanks (or a blank and the "*" of binary mode) and the file's name, with at most
// one line break after it.
class PublishedDigest final {
public:
    PublishedDigest() = delete;

    // A digest file is one short line; anything longer is no digest file.
    static constexpr qint64 kMaxFileSize = 4096;

    // "kvd" -> "kvd.sha256".
    static QString fileName(const QString &executable);
    // The 32 bytes of the digest, or an empty array when `file` is not of that form.
    static QByteArray parse(const QByteArray &file);
};
