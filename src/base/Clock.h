#pragma once

#include <QDateTime>

#include <functional>

// "Now" for the whole console. Everything that asks for the time asks here, so tests set the time
// instead of sleeping or racing the wall clock.
class Clock final {
public:
    static QDateTime now();
    static QDate today() { return now().date(); }

    // Tests only: a fixed or moving time; reset() returns to the wall clock.
    static void setSource(std::function<QDateTime()> source);
    static void reset();
};
