#pragma once

#include <QColor>
#include <QSize>
#include <QString>
#include <QTimer>
#include <QWidget>

class QLabel;

// The notification pop-up: a small frameless tool-tip window that slides up at the bottom right of
// the primary screen, shows its text for a while and slides down again. It never takes the focus.
// A new notification first drops the one on screen out of sight, then slides in itself.
class PopupWindow final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PopupWindow)

public:
    enum class Phase { Idle, Dropping, SlidingIn, Showing, SlidingOut };
    Q_ENUM(Phase)

    static constexpr int kStartBelow = 20;    // px below the screen where a slide-in starts
    static constexpr int kSlideInStep = 25;   // px per slide-in tick
    static constexpr int kSlideOutStep = 24;  // px per slide-out tick
    static constexpr int kSlideOutBelow = 12; // the slide-out ends this far below the screen
    static constexpr int kDropStep = 5;       // px per step when a new notification interrupts
    static constexpr int kMaxPointSize = 22;
    // The text panel's colour, framed by a gold line along the top and bottom edges.
    static inline const QColor kBackground{51, 51, 51};

    explicit PopupWindow(QWidget *parent = nullptr);

    void showNotification(const QString &text);

    // Window size on a primary screen `screenWidth` pixels wide: width ÷ 4.5, height width ÷ 9.
    static QSize sizeForScreenWidth(int screenWidth);
    // The text's point size: the width over the text's length ÷ 1.3, at most 22.
    static int pointSizeFor(int width, int textLength);

    Phase phase() const { return m_phase; }
    QString text() const;
    bool isTextVisible() const;
    int pointSize() const;
    // The text waiting while the previous pop-up drops off screen.
    QString pendingText() const { return m_pending; }

signals:
    void phaseChanged(PopupWindow::Phase phase);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QRect screenArea() const;
    int screenBottom() const;
    bool isOnScreen() const;
    void stopTimers();
    void setPhase(Phase phase);
    void setTop(int top);
    void slideIn(const QString &text);
    void slideInStep();
    void showEnded();
    void slideOutStep();
    void dropStep();

    QLabel *m_label;
    QTimer m_slideInTimer;
    QTimer m_showTimer;
    QTimer m_slideOutTimer;
    QTimer m_dropTimer;
    QString m_pending;
    Phase m_phase = Phase::Idle;
};
