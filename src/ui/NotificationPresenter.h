#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <memory>

class Beeper;
class Notifier;
class PopupWindow;
class QSystemTrayIcon;
class QWidget;

// Shows what a Notifier asks for: the sliding pop-up, the beep and the tray balloon. For the
// balloon the tray icon is shown and hidden again by Timer6, unless the main window is hidden
// behind the icon, which must then stay the way back.
class NotificationPresenter final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NotificationPresenter)

public:
    // `tray` may be null when the desktop has no tray; balloons then show as the pop-up.
    NotificationPresenter(Notifier *notifier, QSystemTrayIcon *tray, QWidget *mainWindow,
                          QObject *parent = nullptr);
    ~NotificationPresenter() override;

    void showBalloon(const QString &title, const QString &text);

    PopupWindow *popup() const { return m_popup.get(); }
    Beeper *beeper() const { return m_beeper; }
    // -1 while Timer6 is not running.
    int trayTimeLeftMs() const { return m_trayTimer.remainingTime(); }

private:
    void trayTimerTimeout();

    std::unique_ptr<PopupWindow> m_popup; // a desktop window of its own, not the main window's
    Beeper *m_beeper;
    QPointer<QSystemTrayIcon> m_tray;
    QPointer<QWidget> m_mainWindow;
    QTimer m_trayTimer; // Timer6: hides the tray icon a balloon has shown
    bool m_iconShownForBalloon = false;
};
