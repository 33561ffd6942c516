#pragma once

#include <QObject>

// Reports the computer going to sleep and waking up. On Linux this is logind's
// PrepareForSleep signal on the system bus; without a bus there are simply no events.
class PowerMonitor final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PowerMonitor)

public:
    explicit PowerMonitor(QObject *parent = nullptr);
    bool isConnected() const { return m_connected; }

signals:
    void suspending();
    void resumed();

private slots:
    void onPrepareForSleep(bool sleeping);

private:
    bool m_connected = false;
};
