#include "chat/ServerLogFile.h"

#include "base/AnsiCodec.h"
#include "base/WholeFile.h"
#include "chat/ChatLog.h"
#include "chat/RtfReader.h"
#include "chat/RtfWriter.h"

#include <QFile>
#include <QFileInfo>

ServerLogFile::ServerLogFile(const QString &path)
    : m_path(path) {}

QString ServerLogFile::relativeName(const QString &serverName) {
    return QLatin1String("logs/") + serverName + QLatin1String(".log");
}

bool ServerLogFile::exists() const {
    return QFileInfo(m_path).isFile();
}

QList<ChatLine> ServerLogFile::parse(const QByteArray &bytes) {
    if (bytes.startsWith("{\\rtf"))
        return RtfReader::read(bytes);
    const QString text = AnsiCodec::decodeFile(bytes);
    QList<ChatLine> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text.at(end) != QLatin1Char('\n') &&
               text.at(end) != QLatin1Char('\r'))
            ++end;
        lines.append(ChatLine::fromDisplayText(text.mid(start, end - start)));
        if (end + 1 < text.size() && text.at(end) == QLatin1Char('\r') &&
            text.at(end + 1) == QLatin1Char('\n'))
            ++end;
        start = end + 1;
    }
    return lines;
}

bool ServerLogFile::loadInto(ChatLog &log) {
    m_error.clear();
    QByteArray bytes;
    switch (WholeFile::read(m_path, &bytes, &m_error)) {
    case WholeFile::ReadResult::Missing:
        log.clear();
        return true;
    case WholeFile::ReadResult::Failed:
        log.clear();
        return false;
    case WholeFile::ReadResult::Read:
        break;
    }
    log.setLines(parse(bytes));
    return true;
}

bool ServerLogFile::save(const ChatLog &log) {
    return save(log.lines());
}

bool ServerLogFile::save(const QList<ChatLine> &lines) {
    m_error.clear();
    return WholeFile::write(m_path, RtfWriter::write(lines), &m_error);
}

bool ServerLogFile::remove() {
    m_error.clear();
    QFile file(m_path);
    if (!file.exists() || file.remove())
        return true;
    m_error = file.errorString();
    return false;
}
