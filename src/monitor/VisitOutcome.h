#pragma once

#include "rcon/StatusCode.h"

#include <QString>

#include <optional>

// How one visit of a server ended: the server's answer, a failed connection or login, or the
// watchdog's cut-off.
struct VisitOutcome final {
    std::optional<StatusCode> code; // a failed connection or login
    bool timedOut = false;          // the watchdog ended the visit
    QString body;                   // else the server's answer
    QString detail;                 // the failure's message
};
