#include "notify/Notifier.h"

#include "base/ProgramState.h"

Notifier::Notifier(const ProgramState *state, QObject *parent)
    : QObject(parent)
    , m_state(state) {}

void Notifier::playerinfo(const QString &text) {
    if (m_state->isFirstPass())
        return;
    switch (m_state->options().cinfo) {
    case TrayBalloon:
        emit balloonRequested(tr("Corvid RCON Admin"), text);
        break;
    case Popup:
    case PopupAndBeep:
        emit popupRequested(text);
        break;
    default:
        // "Beep" sounds only on a count change; "None" and unknown values stay silent.
        break;
    }
}

void Notifier::playerCountChanged(int previous, int current, bool playerSetChanged) {
    if (m_state->isFirstPass() || !playerSetChanged || current == previous)
        return;
    if (m_state->options().cinfo != Beep && m_state->options().cinfo != PopupAndBeep)
        return;
    emit beepRequested(current > previous ? kRiseHz : kFallHz, kBeepMs);
}
