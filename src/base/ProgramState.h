#pragma once

#include "base/ProgramOptions.h"

#include <QObject>

// What the whole console shares: the options of the options dialog, whether the computer is
// suspended, and whether the poll cycle is still in its quiet first pass. Subsystems read it and
// follow its signals; only the console and the poll cycle change it.
class ProgramState final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProgramState)

public:
    explicit ProgramState(QObject *parent = nullptr);

    const ProgramOptions &options() const { return m_options; }
    void setOptions(const ProgramOptions &options);

    bool isSuspended() const { return m_suspended; }
    void setSuspended(bool suspended);

    // Set at start-up; cleared once every server has been visited.
    bool isFirstPass() const { return m_firstPass; }
    void setFirstPass(bool firstPass);

signals:
    void optionsChanged();
    void suspended();
    void resumed();
    void firstPassEnded();

private:
    ProgramOptions m_options;
    bool m_suspended = false;
    bool m_firstPass = true;
};
