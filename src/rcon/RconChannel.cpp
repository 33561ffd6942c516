#include "rcon/RconChannel.h"

#include "base/Intervals.h"
#include "base/Logging.h"
#include "rcon/RequestCounter.h"

#include <QTcpSocket>

RconChannel::RconChannel(const ChannelProfile &profile, QObject *parent)
    : QObject(parent)
    , m_profile(profile) {
    Q_ASSERT(m_profile.counter);
    m_connectTimer.setSingleShot(true);
    m_splitTimer.setSingleShot(true);
    connect(&m_connectTimer, &QTimer::timeout, this, &RconChannel::onConnectTimeout);
    connect(&m_splitTimer, &QTimer::timeout, this, &RconChannel::finishResponse);
}

RconChannel::~RconChannel() {
    // The socket is a child, but its signals must not reach a half-destroyed channel.
    if (m_socket)
        m_socket->disconnect(this);
}

int RconChannel::connectTimeoutMs() const {
    return Intervals::instance().*m_profile.connectTimeout;
}

void RconChannel::openchannel(const QString &host, const QString &portText, const QString &password,
                              const QString &command) {
    closechannel();
    ++m_generation;
    m_host = host;
    m_password = password;
    m_command = command;
    m_state = State::Connecting;

    bool ok = false;
    const uint port = portText.trimmed().toUInt(&ok);
    if (!ok || port == 0 || port > 65535) {
        m_port = 0;
        // Reported from the event loop so that the caller never sees a signal inside its call.
        const QString message = QStringLiteral("port %1 is not a valid port").arg(portText);
        QTimer::singleShot(0, this, [this, generation = m_generation, message] {
            if (generation == m_generation)
                failConnect(StatusCode::Unknown, message);
        });
        return;
    }
    m_port = static_cast<quint16>(port);

    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &RconChannel::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &RconChannel::onReadyRead);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &RconChannel::onSocketError);
    connect(m_socket, &QTcpSocket::disconnected, this, &RconChannel::onDisconnected);
    m_connectTimer.start(connectTimeoutMs());
    m_opening = true;
    m_socket->connectToHost(m_host, m_port, QIODevice::ReadWrite, QAbstractSocket::IPv4Protocol);
    m_opening = false;
}

void RconChannel::closechannel() {
    if (m_state == State::Closed && !m_socket)
        return;
    ++m_generation;
    m_connectTimer.stop();
    m_splitTimer.stop();
    if (m_socket) {
        QTcpSocket *socket = m_socket;
        m_socket = nullptr;
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    m_state = State::Closed;
    m_buffer.clear();
    m_response.clear();
    m_droppedBytes = 0;
    m_queue.clear();
    m_inFlight.clear();
    m_password.clear();
}

void RconChannel::sendcommand(const QString &text) {
    switch (m_state) {
    case State::Closed:
        QTimer::singleShot(0, this, [this, generation = m_generation, text] {
            if (generation == m_generation)
                failSend(QStringLiteral("The channel is not open"), text);
        });
        return;
    case State::Ready:
        writeCommand(text);
        return;
    case State::Connecting:
    case State::LoggingIn:
    case State::Busy:
        m_queue.append(text);
        return;
    }
}

void RconChannel::onConnected() {
    m_connectTimer.stop();
    m_state = State::LoggingIn;
    if (sendauth(m_password) == 0)
        failConnect(StatusCode::Unknown, m_lastWriteError);
}

void RconChannel::onConnectTimeout() {
    if (m_state != State::Connecting)
        return;
    failConnect(StatusCode::Timeout,
                QStringLiteral("Connect time-out after %1 ms").arg(connectTimeoutMs()));
}

void RconChannel::onSocketError(QAbstractSocket::SocketError error) {
    if (!m_socket)
        return;
    const QString message = m_socket->errorString();
    if (m_state == State::Connecting) {
        const StatusCode code = statusCodeFromSocketError(error);
        if (m_opening) {
            // connectToHost can fail inside its own call; report it from the event loop.
            QTimer::singleShot(0, this, [this, generation = m_generation, code, message] {
                if (generation == m_generation)
                    failConnect(code, message);
            });
            m_connectTimer.stop();
            return;
        }
        failConnect(code, message);
        return;
    }
    peerGone(message);
}

void RconChannel::onDisconnected() {
    if (!m_socket)
        return;
    peerGone(m_socket->errorString());
}

void RconChannel::peerGone(const QString &message) {
    const quint64 generation = m_generation;
    // Whatever arrived before the peer went away is still its answer.
    if (m_socket && m_socket->bytesAvailable() > 0) {
        m_buffer.append(m_socket->readAll());
        processBuffer();
        if (generation != m_generation)
            return;
    }
    if (m_splitTimer.isActive()) {
        finishResponse();
        if (generation != m_generation)
            return;
    }
    failRead(message.isEmpty() ? QStringLiteral("The remote host closed the connection") : message);
}

void RconChannel::onReadyRead() {
    if (!m_socket)
        return;
    m_buffer.append(m_socket->readAll());
    processBuffer();
}

void RconChannel::processBuffer() {
    const quint64 generation = m_generation;
    qsizetype offset = 0;
    for (;;) {
        const RconPacket::DecodeResult packet =
            RconPacket::decode(m_buffer.constData() + offset, m_buffer.size() - offset);
        if (packet.status == RconPacket::DecodeStatus::NeedMore)
            break;
        if (packet.status == RconPacket::DecodeStatus::Error) {
            failRead(packet.error);
            return;
        }
        offset += packet.consumed;
        if (!handlePacket(packet) || generation != m_generation)
            return;
    }
    m_buffer.remove(0, offset);
}

bool RconChannel::handlePacket(const RconPacket::DecodeResult &packet) {
    const quint64 generation = m_generation;
    switch (packet.type) {
    case RconPacket::ResponseValue:
        // Servers may send an empty response value ahead of the auth response; nothing sent
        // before the login can be answered yet, so it is never taken as an answer.
        if (m_state == State::LoggingIn || m_state == State::Connecting)
            return true;
        appendResponse(packet.body);
        if (packet.body.size() >= SplitThreshold) {
            m_splitTimer.start(Intervals::instance().splitResponseWaitMs);
            return true;
        }
        finishResponse();
        return generation == m_generation;
    case RconPacket::AuthResponse:
        if (m_state != State::LoggingIn)
            return true;
        if (packet.id == -1) {
            closechannel();
            emit refused();
            return false;
        }
        m_state = State::Ready;
        if (!m_command.isEmpty())
            m_queue.prepend(m_command);
        emit loginAccepted();
        if (generation != m_generation)
            return false;
        sendNextQueued();
        return generation == m_generation;
    default:
        return true;
    }
}

void RconChannel::appendResponse(const QByteArray &body) {
    const qsizetype room = MaximumResponseBytes - m_response.size();
    if (body.size() <= room) {
        m_response.append(body);
        return;
    }
    // A server that never stops continuing its answer must not fill the memory.
    m_response.append(body.constData(), room);
    m_droppedBytes += body.size() - room;
}

void RconChannel::finishResponse() {
    m_splitTimer.stop();
    if (m_droppedBytes > 0) {
        qCWarning(lcError).noquote()
            << QStringLiteral("Answer longer than %1 bytes: the last %2 bytes were dropped")
                       .arg(MaximumResponseBytes)
                       .arg(m_droppedBytes) +
                   m_profile.readTag;
        m_droppedBytes = 0;
    }
    const QString body = RconPacket::decodeText(m_response);
    m_response.clear();
    const QString command = m_inFlight;
    m_state = State::Ready;
    const quint64 generation = m_generation;
    emit completed(body, command);
    if (generation == m_generation)
        sendNextQueued();
}

void RconChannel::sendNextQueued() {
    if (m_state == State::Ready && !m_queue.isEmpty())
        writeCommand(m_queue.takeFirst());
}

void RconChannel::writeCommand(const QString &text) {
    m_inFlight = text;
    m_state = State::Busy;
    if (sendpacket(RconPacket::ExecCommand, text) == 0)
        failSend(m_lastWriteError, text);
}

qint32 RconChannel::sendauth(const QString &password) {
    return sendpacket(RconPacket::Auth, password);
}

qint32 RconChannel::sendpacket(qint32 type, const QString &body) {
    const qint32 id = m_profile.counter->next();
    const QByteArray packet = RconPacket::encode(id, type, RconPacket::encodeText(body));
    // One write per packet, so a packet never leaves interleaved with another.
    const qint64 written = m_socket ? m_socket->write(packet) : -1;
    if (written != packet.size()) {
        m_lastWriteError =
            m_socket ? m_socket->errorString() : QStringLiteral("The channel is not open");
        return 0;
    }
    return id;
}

void RconChannel::failConnect(StatusCode code, const QString &message) {
    closechannel();
    if (code == StatusCode::Unknown && !m_profile.unknownConnectFailureTag.isEmpty())
        qCWarning(lcError).noquote() << message + m_profile.unknownConnectFailureTag;
    emit connectFailed(code, message);
}

void RconChannel::failRead(const QString &message) {
    closechannel();
    qCWarning(lcError).noquote() << message + m_profile.readTag;
    qCWarning(lcError).noquote() << (m_profile.tickEntryNamesFailure ? message : QString()) +
                                        m_profile.tickTag;
    emit readFailed(message);
}

void RconChannel::failSend(const QString &message, const QString &command) {
    closechannel();
    if (!m_profile.sendFailureTag.isEmpty())
        qCWarning(lcError).noquote() << message + m_profile.sendFailureTag;
    emit sendFailed(message, command);
}
