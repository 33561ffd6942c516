#pragma once

#include "monitor/VisitOutcome.h"
#include "servers/ServerSettings.h"

#include <QObject>
#include <QTimer>

struct ChannelProfile;
class RconChannel;

// One visit of one server on a poll channel of its own: connect, log in, "listplayers", and
// exactly one ended() per start. The watchdog ends the visit 15 s after its start; a connection
// that the server drops is opened again within that limit.
class ServerVisit final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServerVisit)

public:
    explicit ServerVisit(QObject *parent = nullptr);
    ~ServerVisit() override;

    // The poll channel's time-out, error-entry tags and request counter.
    static ChannelProfile channelProfile();

    // Starts a visit of `server`; one under way is dropped first. A dropped connection is
    // opened again after `retryDelayMs`.
    void start(const ServerSettings &server, int retryDelayMs);
    // Ends the visit under way without a result.
    void drop();
    // The top-level failure handler closes the channel; the watchdog still ends the visit.
    void closeChannel();

    bool isRunning() const { return m_running; }
    QString serverName() const { return m_server.name; }
    RconChannel *channel() const { return m_channel; }

signals:
    void ended(const VisitOutcome &outcome);

private:
    void open();
    void finish(const VisitOutcome &outcome);

    RconChannel *m_channel;
    ServerSettings m_server;
    QTimer m_watchdog; // Timer5: no visit lasts longer than 15 s
    QTimer m_retry;    // a dropped connection is opened again after the visit-start delay
    bool m_running = false;
};
