#include "servers/ServerState.h"

#include "base/Intervals.h"

#include <QCoreApplication>

QString ServerStates::statusText(ServerState state) {
    switch (state) {
    case ServerState::Queue:
        return QStringLiteral("Queue");
    case ServerState::Online:
        return QStringLiteral("Online");
    case ServerState::ChatOnline:
        return QStringLiteral("Chat/Online");
    case ServerState::Timeout:
        return QStringLiteral("Timeout");
    case ServerState::Refused:
        return QStringLiteral("Refused");
    case ServerState::Untraceable:
        return QStringLiteral("Untraceable");
    case ServerState::Unknown:
        return QStringLiteral("Unknown");
    case ServerState::BadLogin:
        return QStringLiteral("Bad login");
    case ServerState::Erase:
        return QStringLiteral("Erase");
    }
    return QString();
}

bool ServerStates::isOnline(ServerState state) {
    return state == ServerState::Online || state == ServerState::ChatOnline;
}

QString ServerStates::explanation(ServerState state, const QString &detail) {
    QString why = detail;
    if (why.isEmpty()) {
        const auto tr = [](const char *text) {
            return QCoreApplication::translate("ServerState", text);
        };
        switch (state) {
        case ServerState::Queue:
            why = tr("not visited yet");
            break;
        case ServerState::Online:
            why = tr("the server answered its last visit");
            break;
        case ServerState::ChatOnline:
            why = tr("online, and its chat is open");
            break;
        case ServerState::Timeout: {
            const int ms = Intervals::instance().watchdogMs;
            why = ms % 1000 == 0 ? tr("no answer within %1 s").arg(ms / 1000)
                                 : tr("no answer within %1 ms").arg(ms);
            break;
        }
        case ServerState::Refused:
            why = tr("the server refused the connection");
            break;
        case ServerState::Untraceable:
            why = tr("the host name was not found");
            break;
        case ServerState::Unknown:
            why = tr("the connection failed");
            break;
        case ServerState::BadLogin:
            why = tr("the server refused the RCON password");
            break;
        case ServerState::Erase:
            why = tr("deleted; it goes when its visit ends");
            break;
        }
    }
    return statusText(state) + QStringLiteral(": ") + why;
}
