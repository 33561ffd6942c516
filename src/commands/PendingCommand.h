#pragma once

#include "commands/CommandRequest.h"

// One command waiting for, or in, its exchange in a server's lane.
struct PendingCommand final {
    CommandRequest request;
    quint64 ticket = 0; // 0 while nothing is in flight
};
