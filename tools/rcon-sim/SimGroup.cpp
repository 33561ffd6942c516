#include "SimGroup.h"

SimGroup::SimGroup(QObject *parent)
    : QObject(parent) {}

SimServer *SimGroup::addServer(const QString &name, const QString &password, quint16 port) {
    auto *server = new SimServer(name, password, port, this);
    server->start();
    connect(server, &SimServer::commandReceived, this,
            [this, server](const QString &command) { emit commandReceived(server, command); });
    m_servers.append(server);
    return server;
}

SimServer *SimGroup::addDeadServer(const QString &name, const QString &password, DeadKind kind) {
    switch (kind) {
    case DeadKind::Silent: {
        SimServer *server = addServer(name, password);
        server->setFault(SimServer::SilentLogin);
        return server;
    }
    case DeadKind::Closing: {
        SimServer *server = addServer(name, password);
        server->setFault(SimServer::CloseMidPacket);
        return server;
    }
    case DeadKind::Unreachable: {
        SimServer *server = addServer(name, password);
        server->setFault(SimServer::StallConnect);
        return server;
    }
    case DeadKind::Refusing:
        break;
    }
    quint16 port = 0;
    {
        SimServer probe(name, password);
        if (probe.start())
            port = probe.port();
    }
    auto *server = new SimServer(name, password, port, this);
    m_servers.append(server);
    return server;
}

void SimGroup::removeServer(SimServer *server) {
    if (m_servers.removeOne(server)) {
        server->stop();
        server->deleteLater();
    }
}

SimServer *SimGroup::server(const QString &name) const {
    for (SimServer *server : m_servers) {
        if (server->name() == name)
            return server;
    }
    return nullptr;
}

void SimGroup::startChurn(int intervalMs, quint32 seed) {
    // Each server churns on its own seed so that the servers do not move in step.
    for (qsizetype i = 0; i < m_servers.size(); ++i)
        m_servers.at(i)->startChurn(intervalMs, seed + static_cast<quint32>(i));
}

void SimGroup::stopChurn() {
    for (SimServer *server : std::as_const(m_servers))
        server->stopChurn();
}
