#include "rcon/StatusCode.h"

QString statusWord(StatusCode code) {
    switch (code) {
    case StatusCode::Timeout:
        return QStringLiteral("Timeout");
    case StatusCode::Refused:
        return QStringLiteral("Refused");
    case StatusCode::Untraceable:
        return QStringLiteral("Untraceable");
    case StatusCode::Unknown:
        return QStringLiteral("Unknown");
    case StatusCode::BadLogin:
        return QStringLiteral("Bad login");
    }
    return QStringLiteral("Unknown");
}

StatusCode statusCodeFromSocketError(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        return StatusCode::Untraceable;
    case QAbstractSocket::ConnectionRefusedError:
        return StatusCode::Refused;
    default:
        return StatusCode::Unknown;
    }
}
