#pragma once

#include "servers/ServerListFile.h"
#include "servers/StringTable.h"

#include "SimServer.h"

#include <QCoreApplication>
#include <QList>
#include <QTimer>

// What the benches that run the console against simulated servers share.
namespace BenchRun {

// The server list ("server.dat" as a table) naming these simulated servers.
inline StringTable serverTableOf(const QList<SimServer *> &servers) {
    StringTable table = ServerListFile::emptyTable();
    for (const SimServer *server : servers)
        table.appendRow({server->name(), server->host(), server->portText(), server->password()});
    return table;
}

// Runs this thread's event loop for `ms`.
inline void waitFor(qint64 ms) {
    QTimer::singleShot(int(ms), QCoreApplication::instance(), &QCoreApplication::quit);
    QCoreApplication::exec();
}

} // namespace BenchRun
