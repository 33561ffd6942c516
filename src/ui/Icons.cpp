#include "ui/Icons.h"

#include <QHash>

// At global scope: the resource initialiser is declared in the namespace of its caller.
static void initKvdResources() {
    Q_INIT_RESOURCE(kvd);
}

void Icons::registerResources() {
    // The pictures live in a static library, which does not register them by itself.
    static const bool registered = [] {
        initKvdResources();
        return true;
    }();
    Q_UNUSED(registered);
}

namespace {
// Views ask for icons on every repaint; each picture is decoded once and shared after that.
QIcon fromResource(const char *name) {
    static QHash<QByteArray, QIcon> cache;
    const QByteArray key(name);
    auto it = cache.constFind(key);
    if (it == cache.constEnd()) {
        Icons::registerResources();
        it = cache.insert(key, QIcon(QStringLiteral(":/icons/%1.png").arg(QLatin1String(name))));
    }
    return *it;
}
} // namespace

QIcon Icons::byIndex(IconIndex index) {
    switch (index) {
    case IconIndex::ServerOffline:
        return fromResource("offline");
    case IconIndex::ServerOnline:
        return fromResource("online");
    case IconIndex::SortAscending:
        return fromResource("sort-asc");
    case IconIndex::SortDescending:
        return fromResource("sort-desc");
    case IconIndex::ChatOpen:
        return fromResource("chat");
    case IconIndex::ServerQueued:
        return fromResource("queued");
    case IconIndex::Player:
        return fromResource("player");
    case IconIndex::QueuedCommand:
        return fromResource("command");
    case IconIndex::None:
        break;
    }
    return {};
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
