#pragma once

#include <QtGlobal>

#include <deque>

// At most `limit` events within any span of `windowMs`: the times of the last `limit` events
// say how long the next one must wait. Times are milliseconds of one monotonic clock.
class RateWindow final {
public:
    RateWindow(int limit, qint64 windowMs);

    // 0 when an event may happen at `nowMs`.
    qint64 waitMs(qint64 nowMs) const;
    void record(qint64 nowMs);

    int limit() const { return m_limit; }
    qint64 windowMs() const { return m_windowMs; }

private:
    int m_limit;
    qint64 m_windowMs;
    std::deque<qint64> m_times;
};
