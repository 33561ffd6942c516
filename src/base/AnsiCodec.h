#pragma once

#include <QByteArray>
#include <QString>

// The single-byte code page of every text file the console writes: Windows-1252 on every
// platform, so that files move between Windows and Linux unchanged.
namespace AnsiCodec {

// A character the code page cannot represent becomes "?".
QByteArray encode(const QString &text);
QString decode(const QByteArray &bytes);

// Whole-file text: a UTF-8 or UTF-16 byte-order mark selects that encoding, otherwise the
// bytes are Windows-1252.
QString decodeFile(const QByteArray &bytes);

} // namespace AnsiCodec
