#include "ui/NotificationPresenter.h"

#include "base/Intervals.h"
#include "notify/Notifier.h"
#include "ui/Beeper.h"
#include "ui/PopupWindow.h"

#include <QSystemTrayIcon>
#include <QWidget>

NotificationPresenter::NotificationPresenter(Notifier *notifier, QSystemTrayIcon *tray,
                                             QWidget *mainWindow, QObject *parent)
    : QObject(parent)
    , m_popup(std::make_unique<PopupWindow>())
    , m_beeper(new Beeper(this))
    , m_tray(tray)
    , m_mainWindow(mainWindow) {
    m_trayTimer.setSingleShot(true);
    connect(&m_trayTimer, &QTimer::timeout, this, &NotificationPresenter::trayTimerTimeout);
    connect(notifier, &Notifier::popupRequested, m_popup.get(), &PopupWindow::showNotification);
    connect(notifier, &Notifier::beepRequested, m_beeper, &Beeper::beep);
    connect(notifier, &Notifier::balloonRequested, this, &NotificationPresenter::showBalloon);
}

NotificationPresenter::~NotificationPresenter() = default;

void NotificationPresenter::showBalloon(const QString &title, const QString &text) {
    if (!m_tray) {
        // Without a tray the notification is not dropped: it shows as the pop-up instead.
        m_popup->showNotification(text);
        return;
    }
    if (!m_tray->isVisible()) {
        m_tray->show();
        m_iconShownForBalloon = true;
    }
    m_tray->showMessage(title, text, QSystemTrayIcon::Information);
    // A later balloon gets its full time too.
    m_trayTimer.start(Intervals::instance().trayHideMs);
}

void NotificationPresenter::trayTimerTimeout() {
    const bool shownForBalloon = m_iconShownForBalloon;
    m_iconShownForBalloon = false;
    if (!m_tray || !shownForBalloon)
        return;
    // The window went to the tray meanwhile: the icon is now its only way back.
    if (m_mainWindow && !m_mainWindow->isVisible())
        return;
    m_tray->hide();
}
