#include "base/StallReporter.h"

#include <cstdio>

StallReporter::StallReporter(int thresholdMs, QObject *parent)
    : QObject(parent)
    , m_thresholdMs(thresholdMs) {
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(kTickMs);
    connect(&m_timer, &QTimer::timeout, this, &StallReporter::tick);
    m_clock.start();
    m_timer.start();
}

StallReporter::~StallReporter() {
    std::fprintf(stderr, "kvd: longest event-loop stall %lld ms\n",
                 static_cast<long long>(m_longestMs));
}

StallReporter *StallReporter::fromEnvironment(QObject *parent) {
    bool ok = false;
    const int threshold = qEnvironmentVariableIntValue("KVD_STALL_REPORT_MS", &ok);
    return ok && threshold >= 0 ? new StallReporter(threshold, parent) : nullptr;
}

void StallReporter::tick() {
    const qint64 now = m_clock.elapsed();
    // Time beyond the tick's own interval is time the loop spent elsewhere.
    const qint64 stall = now - m_lastMs - kTickMs;
    m_lastMs = now;
    if (stall > m_longestMs)
        m_longestMs = stall;
    if (stall > m_thresholdMs) {
        std::fprintf(stderr, "kvd: event loop stalled %lld ms at %lld ms\n",
                     static_cast<long long>(stall), static_cast<long long>(now));
        std::fflush(stderr);
    }
}
