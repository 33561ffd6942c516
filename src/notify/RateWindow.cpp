#include "notify/RateWindow.h"

#include <algorithm>

RateWindow::RateWindow(int limit, qint64 windowMs)
    : m_limit(std::max(1, limit))
    , m_windowMs(std::max<qint64>(0, windowMs)) {}

qint64 RateWindow::waitMs(qint64 nowMs) const {
    if (int(m_times.size()) < m_limit)
        return 0;
    return std::max<qint64>(0, m_times.front() + m_windowMs - nowMs);
}

void RateWindow::record(qint64 nowMs) {
    m_times.push_back(nowMs);
    while (int(m_times.size()) > m_limit)
        m_times.pop_front();
}
