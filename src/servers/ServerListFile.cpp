#include "servers/ServerListFile.h"

#include "servers/TableFile.h"

#include <algorithm>

QStringList ServerListFile::defaultHeader() {
    return {QStringLiteral("Name"), QStringLiteral("Host"), QStringLiteral("Port"),
            QStringLiteral("PW")};
}

StringTable ServerListFile::emptyTable() {
    return toTable(defaultHeader(), {});
}

StringTable ServerListFile::toTable(const QStringList &header, const ServerList &servers) {
    int columns = std::max(kColumnCount, int(header.size()));
    for (const ServerEntry &entry : servers)
        columns = std::max(columns, kColumnCount + int(entry.extraCells.size()));
    StringTable table(columns, 1);
    table.setRow(0, header);
    for (const ServerEntry &entry : servers) {
        const ServerSettings &s = entry.settings;
        table.appendRow(QStringList{s.name, s.host, s.port, s.password} + entry.extraCells);
    }
    return table;
}

ServerListFile::Contents ServerListFile::fromTable(const StringTable &table) {
    Contents contents;
    const int columns = std::max(kColumnCount, table.columnCount());
    contents.header = table.row(0);
    while (contents.header.size() < columns)
        contents.header.append(QString());
    contents.servers.reserve(table.rowCount() - 1);
    for (int row = 1; row < table.rowCount(); ++row) {
        ServerEntry entry;
        entry.settings = {table.cell(0, row), table.cell(1, row), table.cell(2, row),
                          table.cell(3, row)};
        for (int column = kColumnCount; column < table.columnCount(); ++column)
            entry.extraCells.append(table.cell(column, row));
        contents.servers.append(entry);
    }
    return contents;
}

bool ServerListFile::save(const QString &fileName, const QStringList &header,
                          const ServerList &servers, QString *errorText) {
    return SaveStringGrid(toTable(header, servers), fileName, errorText);
}

bool ServerListFile::load(const QString &fileName, Contents *contents, QString *errorText) {
    StringTable table;
    if (!LoadStringGrid(table, fileName, errorText))
        return false;
    *contents = fromTable(table);
    return true;
}
