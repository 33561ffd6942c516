#pragma once

#include "rcon/ChannelProfile.h"
#include "rcon/RconPacket.h"
#include "rcon/StatusCode.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

class QTcpSocket;

// One RCON connection: open, log in, send a command, hand its answer to the owner. Event
// driven: every wait is a socket signal or a timer. Each open uses a fresh socket, and after
// closechannel() nothing of the old connection is ever emitted again.
//
// Exactly one of completed / refused / connectFailed / sendFailed / readFailed ends each step.
// All but completed close the channel before they are emitted, and the channel has already
// written the error entries of that failure that its owner's profile names (read, tick-failure
// and send-failure entries, an unknown connect failure); owners add their own steps.
class RconChannel final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RconChannel)

public:
    enum class State {
        Closed,
        Connecting, // TCP connect under way, connect time-out running
        LoggingIn,  // auth request sent, waiting for the auth response
        Ready,      // logged in, no request in flight
        Busy,       // a command is waiting for its answer
    };

    // A response-value body this long may be continued in further packets.
    static constexpr int SplitThreshold = 4000;
    // One answer joined from several packets is cut here; the rest of it is dropped.
    static constexpr qsizetype MaximumResponseBytes = 4 * 1024 * 1024;

    explicit RconChannel(const ChannelProfile &profile, QObject *parent = nullptr);
    ~RconChannel() override;

    const ChannelProfile &profile() const { return m_profile; }
    State state() const { return m_state; }
    bool isOpen() const { return m_state != State::Closed; }
    QString host() const { return m_host; }
    quint16 port() const { return m_port; }
    // The command sent after the login of the last open.
    QString command() const { return m_command; }
    // Changes with every open and close; an owner can compare it to drop late work of its own.
    quint64 generation() const { return m_generation; }

    int connectTimeoutMs() const;

    // Closes, then connects to host (resolved to IPv4) and port (decimal text), sends the auth
    // request with password and, once the login is accepted, sends command (unless empty).
    void openchannel(const QString &host, const QString &portText, const QString &password,
                     const QString &command);
    // Sends a further command; while a request is in flight (or the login is still under way)
    // it waits for the answer, because game servers mix up overlapping requests.
    void sendcommand(const QString &text);
    // Disconnects and drops the socket, the buffer and queued commands. Closing a closed
    // channel does nothing.
    void closechannel();

signals:
    void loginAccepted();
    // The whole answer to command; a response split over several packets arrives joined, cut
    // after MaximumResponseBytes.
    void completed(const QString &body, const QString &command);
    // The server answered the auth request with id -1.
    void refused();
    void connectFailed(StatusCode code, const QString &message);
    void sendFailed(const QString &message, const QString &command);
    // Read failure, peer closed, garbage or an oversized size field.
    void readFailed(const QString &message);

private:
    void onConnected();
    void onReadyRead();
    void onSocketError(QAbstractSocket::SocketError error);
    void onDisconnected();
    void onConnectTimeout();

    void processBuffer();
    // Returns false when the packet ended this connection (closed or reopened by a handler).
    bool handlePacket(const RconPacket::DecodeResult &packet);
    void appendResponse(const QByteArray &body);
    void finishResponse();
    void sendNextQueued();
    void peerGone(const QString &message);

    qint32 sendpacket(qint32 type, const QString &body);
    qint32 sendauth(const QString &password);
    void writeCommand(const QString &text);

    void failConnect(StatusCode code, const QString &message);
    void failRead(const QString &message);
    void failSend(const QString &message, const QString &command);

    const ChannelProfile m_profile;
    State m_state = State::Closed;
    QTcpSocket *m_socket = nullptr;
    QTimer m_connectTimer;
    QTimer m_splitTimer;
    QByteArray m_buffer;
    QByteArray m_response;
    qint64 m_droppedBytes = 0; // of the answer being joined, past MaximumResponseBytes
    QString m_host;
    quint16 m_port = 0;
    QString m_password;
    QString m_command;
    QString m_inFlight;
    QStringList m_queue;
    quint64 m_generation = 0;
    bool m_opening = false;
    QString m_lastWriteError;
};
