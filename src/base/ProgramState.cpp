#include "base/ProgramState.h"

ProgramState::ProgramState(QObject *parent)
    : QObject(parent) {}

void ProgramState::setOptions(const ProgramOptions &options) {
    m_options = options;
    emit optionsChanged();
}

void ProgramState::setSuspended(bool suspended) {
    if (m_suspended == suspended)
        return;
    m_suspended = suspended;
    if (suspended)
        emit this->suspended();
    else
        emit resumed();
}

void ProgramState::setFirstPass(bool firstPass) {
    if (m_firstPass == firstPass)
        return;
    m_firstPass = firstPass;
    if (!firstPass)
        emit firstPassEnded();
}
