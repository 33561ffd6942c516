#include "monitor/ServerVisit.h"

#include "base/Intervals.h"
#include "rcon/RconChannel.h"

ServerVisit::ServerVisit(QObject *parent)
    : QObject(parent)
    , m_channel(new RconChannel(channelProfile(), this)) {
    m_watchdog.setSingleShot(true);
    m_retry.setSingleShot(true);
    connect(&m_watchdog, &QTimer::timeout, this, [this] {
        finish({std::nullopt, true, QString(), QString()});
    });
    connect(&m_retry, &QTimer::timeout, this, &ServerVisit::open);

    connect(m_channel, &RconChannel::completed, this, [this](const QString &body) {
        finish({std::nullopt, false, body, QString()});
    });
    connect(m_channel, &RconChannel::refused, this, [this] {
        finish({StatusCode::BadLogin, false, QString(), QString()});
    });
    connect(m_channel, &RconChannel::connectFailed, this,
            [this](StatusCode code, const QString &message) {
                finish({code, false, QString(), message});
            });
    // The same server is visited again; the watchdog still bounds the whole visit.
    connect(m_channel, &RconChannel::readFailed, this, [this] {
        if (m_running)
            m_retry.start();
    });
    // A failed send leaves the visit to the watchdog; the channel has written the error entry.
}

ServerVisit::~ServerVisit() = default;

ChannelProfile ServerVisit::channelProfile() {
    ChannelProfile profile;
    profile.connectTimeout = &Intervals::pollConnectTimeoutMs;
    profile.readTag = QStringLiteral(" (Read1)");
    profile.tickTag = QStringLiteral("(Timer1_s)");
    profile.sendFailureTag = QStringLiteral(" (Timer1,Listplayers)");
    // A connect that fails for no known reason gets an error entry of its own.
    profile.unknownConnectFailureTag = QStringLiteral(" (Thread)");
    profile.counter = &RequestId();
    return profile;
}

void ServerVisit::start(const ServerSettings &server, int retryDelayMs) {
    drop();
    m_server = server;
    m_running = true;
    m_retry.setInterval(retryDelayMs);
    m_watchdog.start(Intervals::instance().watchdogMs);
    open();
}

void ServerVisit::open() {
    if (!m_running)
        return;
    m_channel->openchannel(m_server.host, m_server.port, m_server.password,
                           QStringLiteral("listplayers"));
}

void ServerVisit::drop() {
    m_running = false;
    m_watchdog.stop();
    m_retry.stop();
    m_channel->closechannel();
}

void ServerVisit::closeChannel() {
    m_retry.stop();
    m_channel->closechannel();
}

void ServerVisit::finish(const VisitOutcome &outcome) {
    if (!m_running)
        return;
    drop();
    emit ended(outcome);
}
