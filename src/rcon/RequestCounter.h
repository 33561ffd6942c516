#pragma once

#include <QtGlobal>

// A request-id counter: each packet sent takes the next value, 2147483647 wraps to 1, so 0 and
// negative ids are never sent. Counters start at 0 with the program and are never stored.
class RequestCounter final {
public:
    qint32 next();
    qint32 value() const { return m_value; }
    // Tests move the counter next to the wrap.
    void setValue(qint32 value) { m_value = value; }

private:
    qint32 m_value = 0;
};

// Shared by the poll, chat and background chat channels.
RequestCounter &RequestId();
// Used by the command channel alone.
RequestCounter &CommandRequestId();
