#include "base/TextFile.h"

#include "base/AnsiCodec.h"
#include "base/WholeFile.h"

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
    return WholeFile::write(path, bytes, error);
}

QStringList TextFile::readLines(const QString &path, bool *ok) {
    QByteArray bytes;
    const WholeFile::ReadResult result = WholeFile::read(path, &bytes);
    if (ok)
        *ok = result != WholeFile::ReadResult::Failed;
    const QString text = AnsiCodec::decodeFile(bytes);
    // A long log is held three times over while it is split: the bytes are not needed for that.
    bytes = QByteArray();
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}
