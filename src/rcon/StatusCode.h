#pragma once

#include <QAbstractSocket>
#include <QString>

// Outcome of a failed connection check or login, shown in the server list by its word.
enum class StatusCode {
    Timeout = 1,
    Refused = 2,
    Untraceable = 3,
    Unknown = 4,
    BadLogin = 5,
};

// "Timeout", "Refused", "Untraceable", "Unknown", "Bad login".
QString statusWord(StatusCode code);

// Host not found gives Untraceable, a refused connection Refused, everything else Unknown;
// our own connect time-out is Timeout and never comes from the socket layer.
StatusCode statusCodeFromSocketError(QAbstractSocket::SocketError error);
