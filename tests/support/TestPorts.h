#pragma once

#include <QHostAddress>
#include <QString>
#include <QTcpServer>

// A loopback port that nothing listens on: bound once, then released.
inline QString closedPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const QString port = QString::number(probe.serverPort());
    probe.close();
    return port;
}
