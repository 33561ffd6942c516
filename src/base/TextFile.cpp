#include "base/TextFile.h"

#include "base/AnsiCodec.h"

#include <QFile>
#include <QSaveFile>

bool TextFile::writeLines(const QString &path, const QStringList &lines, QString *error) {
    qsizetype size = 0;
    for (const QString &line : lines)
        size += line.size() + 2;
    QByteArray bytes;
    bytes.reserve(size);
    for (const QString &line : lines) {
        bytes += AnsiCodec::encode(line);
        bytes += "\r\n";
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

QStringList TextFile::readLines(const QString &path, bool *ok) {
    if (ok)
        *ok = true;
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly)) {
        if (ok)
            *ok = false;
        return {};
    }
    const QString text = AnsiCodec::decodeFile(file.readAll());
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}
