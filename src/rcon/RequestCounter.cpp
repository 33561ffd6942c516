#include "rcon/RequestCounter.h"

#include <limits>

qint32 RequestCounter::next() {
    m_value = m_value == std::numeric_limits<qint32>::max() ? 1 : m_value + 1;
    return m_value;
}

RequestCounter &RequestId() {
    static RequestCounter counter;
    return counter;
}

RequestCounter &CommandRequestId() {
    static RequestCounter counter;
    return counter;
}
