#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// Tells how long the event loop was kept from running: a timer due every few milliseconds
// measures each gap, writes every one over the threshold to stderr and, at the end, the longest.
// Off unless KVD_STALL_REPORT_MS names the threshold; it serves soak runs, not operators.
class StallReporter final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StallReporter)

public:
    static constexpr int kTickMs = 5;

    StallReporter(int thresholdMs, QObject *parent = nullptr);
    ~StallReporter() override;

    // A running reporter when the environment asks for one, else nullptr.
    static StallReporter *fromEnvironment(QObject *parent);

    qint64 longestMs() const { return m_longestMs; }

private:
    void tick();

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastMs = 0;
    qint64 m_longestMs = 0;
    int m_thresholdMs;
};
