#pragma once

#include <QString>

// The local computer's name as the system reports it (at most 15 characters, no domain). The
// demonstration mode and the crosshair button belong to the computer named QUIMBEX only.
class ComputerName final {
public:
    static QString name();
    // Tests answer with a name of their own; an empty name gives the system's again.
    static void setForTesting(const QString &name);
    // Letter case aside: Windows reports the name in capitals, other systems as it was typed.
    static bool isDemoComputer();

private:
    ComputerName() = delete;
};
