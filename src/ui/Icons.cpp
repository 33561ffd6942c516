#include "ui/Icons.h"

namespace {
QIcon fromResource(const char *name) {
    return QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(name)));
}
} // namespace

QIcon Icons::byIndex(int index) {
    switch (index) {
    case ServerOffline:
        return fromResource("offline");
    case ServerOnline:
        return fromResource("online");
    case SortAscending:
        return fromResource("sort-asc");
    case SortDescending:
        return fromResource("sort-desc");
    case ChatOpen:
        return fromResource("chat");
    case ServerQueued:
        return fromResource("queued");
    case Player:
        return fromResource("player");
    case QueuedCommand:
        return fromResource("command");
    default:
        return {};
    }
}

QIcon Icons::application() {
    return fromResource("app");
}

QIcon Icons::closeChannel() {
    return fromResource("close-channel");
}

QIcon Icons::options() {
    return fromResource("options");
}

QIcon Icons::search() {
    return fromResource("search");
}

QIcon Icons::addServer() {
    return fromResource("add-server");
}
