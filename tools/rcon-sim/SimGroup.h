#pragma once

#include "SimServer.h"

#include <QList>
#include <QObject>
#include <QString>

// A handful of simulated servers that start, churn and stop together.
class SimGroup final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SimGroup)

public:
    // Ways a server can be down: it accepts the connection and never answers (silent), nothing
    // listens on its port (refusing), it closes every connection in the middle of an answer
    // (closing), or its connects are never completed (unreachable).
    enum class DeadKind { Silent, Refusing, Closing, Unreachable };

    explicit SimGroup(QObject *parent = nullptr);

    // The server is started; check isListening() when a fixed port was asked for.
    SimServer *addServer(const QString &name, const QString &password, quint16 port = 0);
    // A server that is down in the way `kind` says; a refusing one is not listening, its port
    // was free a moment ago.
    SimServer *addDeadServer(const QString &name, const QString &password, DeadKind kind);
    void removeServer(SimServer *server);
    QList<SimServer *> servers() const { return m_servers; }
    SimServer *server(const QString &name) const;

    void startChurn(int intervalMs, quint32 seed = 1);
    void stopChurn();

signals:
    // Every command any server of the group receives.
    void commandReceived(SimServer *server, const QString &command);

private:
    QList<SimServer *> m_servers;
};
