#pragma once

#include <QString>

// The four persisted fields of one server, as "server.dat" keeps them and the server settings
// dialog collects them.
struct ServerSettings final {
    QString name;
    QString host;
    QString port; // kept exactly as typed
    QString password;

    bool operator==(const ServerSettings &other) const {
        return name == other.name && host == other.host && port == other.port &&
               password == other.password;
    }
    bool operator!=(const ServerSettings &other) const { return !(*this == other); }
};
