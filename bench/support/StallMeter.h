#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <algorithm>

// How long the event loop stalls: the longest gap between the ticks of a 2 ms heartbeat, from
// start() on. Work that should count has to run inside the event loop being measured.
class StallMeter final {
public:
    StallMeter() {
        m_heartbeat.setTimerType(Qt::PreciseTimer);
        m_heartbeat.setInterval(2);
        QObject::connect(&m_heartbeat, &QTimer::timeout, [this] {
            const qint64 now = m_clock.elapsed();
            m_longest = std::max(m_longest, now - m_last);
            m_last = now;
        });
    }

    void start() {
        m_last = 0;
        m_longest = 0;
        m_clock.start();
        m_heartbeat.start();
    }
    // The heartbeat costs CPU of its thread: a measurement of CPU use runs with it stopped.
    void stop() { m_heartbeat.stop(); }
    qint64 elapsedMs() const { return m_clock.elapsed(); }
    qint64 longestMs() const { return m_longest; }

private:
    QElapsedTimer m_clock;
    QTimer m_heartbeat;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};
