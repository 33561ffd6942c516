#include "base/PowerMonitor.h"

#include <QDBusConnection>

PowerMonitor::PowerMonitor(QObject *parent)
    : QObject(parent) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return;
    m_connected = bus.connect(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
        SLOT(onPrepareForSleep(bool)));
}

void PowerMonitor::onPrepareForSleep(bool sleeping) {
    if (sleeping)
        emit suspending();
    else
        emit resumed();
}
