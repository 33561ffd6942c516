#include "app/Intervals.h"

Intervals &Intervals::instance() {
    static Intervals intervals;
    return intervals;
}
