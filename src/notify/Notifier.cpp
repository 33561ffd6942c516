#include "notify/Notifier.h"

#include "base/ProgramOptions.h"

#include <utility>

Notifier::Notifier(const ProgramOptions &options, QObject *parent)
    : QObject(parent)
    , m_options(options) {}

void Notifier::setFirstPassCheck(std::function<bool()> isFirstPass) {
    m_isFirstPass = std::move(isFirstPass);
}

bool Notifier::isFirstPass() const {
    return m_isFirstPass && m_isFirstPass();
}

void Notifier::playerinfo(const QString &text) {
    if (isFirstPass())
        return;
    switch (m_options.cinfo) {
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
    if (isFirstPass() || !playerSetChanged || current == previous)
        return;
    if (m_options.cinfo != Beep && m_options.cinfo != PopupAndBeep)
        return;
    emit beepRequested(current > previous ? kRiseHz : kFallHz, kBeepMs);
}
