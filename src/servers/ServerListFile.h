#pragma once

#include "servers/ServerEntry.h"
#include "servers/StringTable.h"

#include <QString>
#include <QStringList>

// "server.dat": the server list as a table file (TableFile) with the columns "Name", "Host",
// "Port" and "PW" and one row per server after the header row. The table exists only on the way
// to and from the file. A file written elsewhere keeps its header row and any columns beyond the
// four: they are written back as they were read.
namespace ServerListFile {

constexpr int kColumnCount = 4;

// What the file holds, as the server list keeps it.
struct Contents final {
    QStringList header; // row 0, at least four cells
    ServerList servers; // their settings and extra cells; the live state as at a start
};

// "Name", "Host", "Port", "PW".
QStringList defaultHeader();
// The table of a list without servers, as a new file holds it.
StringTable emptyTable();

StringTable toTable(const QStringList &header, const ServerList &servers);
// A table of fewer than four columns is widened with empty header cells.
Contents fromTable(const StringTable &table);

// Writes the whole file; false with a reason when it could not be written.
bool save(const QString &fileName, const QStringList &header, const ServerList &servers,
          QString *errorText = nullptr);
// False with a reason, and `contents` untouched, when the file is missing, unreadable or its
// counts are no numbers.
bool load(const QString &fileName, Contents *contents, QString *errorText = nullptr);

} // namespace ServerListFile
