#pragma once

#include <QDateTime>
#include <QString>

// One command of the console tab on one server: what was sent, when, and how it ended.
struct ConsoleExchange final {
    enum class State { Waiting, Answered, Failed };

    quint64 id = 0;
    QDateTime sent;
    QString server;
    QString command;
    State state = State::Waiting;
    // The server's whole answer, or the reason the exchange failed.
    QString text;
    // The answer came after the exchange had ended for want of one.
    bool late = false;
};
