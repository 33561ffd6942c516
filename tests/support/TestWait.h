#pragma once

#include <QDeadlineTimer>
#include <QtTest>

#include <functional>

// Runs the event loop until `done` holds or `ms` have passed; says whether it holds.
inline bool waitUntil(const std::function<bool()> &done, int ms) {
    QDeadlineTimer deadline(ms);
    while (!done() && !deadline.hasExpired())
        QTest::qWait(5);
    return done();
}
