#include "notify/Notifier.h"

#include "base/ProgramState.h"

Notifier::Notifier(const ProgramState *state, QObject *parent)
    : QObject(parent)
    , m_state(state) {}

void Notifier::playerinfo(const QString &text) {
    if (m_state->isFirstPass())
        return;
    switch (m_state->options().notification) {
    case NotificationKind::TrayBalloon:
        emit balloonRequested(tr("Corvid RCON Admin"), text);
        break;
    case NotificationKind::Popup:
    case NotificationKind::PopupAndBeep:
        emit popupRequested(text);
        break;
    case NotificationKind::None:
    case NotificationKind::Beep:
        // "Beep" sounds only on a count change.
        break;
    }
}

void Notifier::playerCountChanged(int previous, int current, bool playerSetChanged) {
    if (m_state->isFirstPass() || !playerSetChanged || current == previous)
        return;
    const NotificationKind kind = m_state->options().notification;
    if (kind != NotificationKind::Beep && kind != NotificationKind::PopupAndBeep)
        return;
    emit beepRequested(current > previous ? kRiseHz : kFallHz, kBeepMs);
}
