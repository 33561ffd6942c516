#include "base/Intervals.h"

Intervals &Intervals::instance() {
    static Intervals intervals;
    return intervals;
}
