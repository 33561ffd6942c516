#include "ui/PopupWindow.h"

#include "base/Intervals.h"
#include "ui/Theme.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {
// Halves go to the even neighbour, so 8.5 gives 8 and 9.5 gives 10.
int roundHalfEven(double value) {
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction > 0.5)
        return int(floor) + 1;
    if (fraction < 0.5)
        return int(floor);
    return std::fmod(floor, 2.0) == 0.0 ? int(floor) : int(floor) + 1;
}

// A tool-tip window has no taskbar button and is never activated by the desktop. Wayland shows
// a tool-tip only beside a parent window, so there a tool window has to do.
Qt::WindowFlags popupFlags() {
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    return (wayland ? Qt::Tool : Qt::ToolTip) | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
           Qt::WindowDoesNotAcceptFocus;
}
} // namespace

PopupWindow::PopupWindow(QWidget *parent)
    : QWidget(parent, popupFlags())
    , m_label(new QLabel(this)) {
    setObjectName(QStringLiteral("notificationPopup"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);

    m_label->setObjectName(QStringLiteral("notificationText"));
    // Notifications name players and servers, whose names are text and never markup.
    m_label->setTextFormat(Qt::PlainText);
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setStyleSheet(QStringLiteral("QLabel { color: white; background: transparent; }"));
    m_label->hide();
    auto *layout = new QVBoxLayout(this);
    // One pixel above and below stays free for the golden edge lines.
    layout->setContentsMargins(0, 1, 0, 1);
    layout->addWidget(m_label);

    const Intervals &intervals = Intervals::instance();
    m_slideInTimer.setInterval(intervals.popupSlideInMs);
    m_showTimer.setInterval(intervals.popupShowMs);
    m_showTimer.setSingleShot(true);
    m_slideOutTimer.setInterval(intervals.popupSlideOutMs);
    m_dropTimer.setInterval(intervals.popupDropMs);
    connect(&m_slideInTimer, &QTimer::timeout, this, &PopupWindow::slideInStep);
    connect(&m_showTimer, &QTimer::timeout, this, &PopupWindow::showEnded);
    connect(&m_slideOutTimer, &QTimer::timeout, this, &PopupWindow::slideOutStep);
    connect(&m_dropTimer, &QTimer::timeout, this, &PopupWindow::dropStep);
}

QSize PopupWindow::sizeForScreenWidth(int screenWidth) {
    const int width = roundHalfEven(screenWidth / 4.5);
    return QSize(width, roundHalfEven(width / 9.0));
}

int PopupWindow::pointSizeFor(int width, int textLength) {
    // An empty text would divide by zero: like a one-letter text it gets the largest size.
    const int ratio = roundHalfEven(textLength / 1.3);
    if (ratio < 1)
        return kMaxPointSize;
    return std::min(roundHalfEven(double(width) / ratio), kMaxPointSize);
}

QString PopupWindow::text() const {
    return m_label->text();
}

bool PopupWindow::isTextVisible() const {
    return m_label->isVisibleTo(this);
}

int PopupWindow::pointSize() const {
    return m_label->font().pointSize();
}

void PopupWindow::showNotification(const QString &text) {
    if (isOnScreen()) {
        // The old notification leaves first; the newest text waits for it.
        m_pending = text;
        if (m_phase == Phase::Dropping)
            return;
        m_label->hide();
        stopTimers();
        setPhase(Phase::Dropping);
        m_dropTimer.start();
        return;
    }
    slideIn(text);
}

QRect PopupWindow::screenArea() const {
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

int PopupWindow::screenBottom() const {
    const QRect area = screenArea();
    return area.y() + area.height();
}

bool PopupWindow::isOnScreen() const {
    return isVisible() && y() < screenBottom();
}

void PopupWindow::stopTimers() {
    m_slideInTimer.stop();
    m_showTimer.stop();
    m_slideOutTimer.stop();
    m_dropTimer.stop();
}

void PopupWindow::setPhase(Phase phase) {
    if (m_phase == phase)
        return;
    m_phase = phase;
    emit phaseChanged(phase);
}

void PopupWindow::setTop(int top) {
    move(x(), top);
}

void PopupWindow::slideIn(const QString &text) {
    stopTimers();
    m_pending.clear();
    const QRect area = screenArea();
    const QSize size = sizeForScreenWidth(area.width());

    m_label->hide();
    m_label->setText(text);
    QFont font(QStringLiteral("Tahoma"));
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(pointSizeFor(size.width(), int(text.size())));
    m_label->setFont(font);

    setFixedSize(size);
    move(area.x() + area.width() - size.width(), screenBottom() + kStartBelow);
    show();
    raise();
    setPhase(Phase::SlidingIn);
    m_slideInTimer.start();
}

void PopupWindow::slideInStep() {
    setTop(y() - kSlideInStep);
    if (y() > screenBottom() - 3 * height())
        return;
    m_slideInTimer.stop();
    m_label->show();
    setPhase(Phase::Showing);
    m_showTimer.start();
}

void PopupWindow::showEnded() {
    setPhase(Phase::SlidingOut);
    m_slideOutTimer.start();
}

void PopupWindow::slideOutStep() {
    m_label->hide();
    setTop(y() + kSlideOutStep);
    if (y() <= screenBottom() + kSlideOutBelow)
        return;
    m_slideOutTimer.stop();
    // Out of sight it is hidden too: a window manager may keep an off-screen window in view.
    hide();
    setPhase(Phase::Idle);
}

void PopupWindow::dropStep() {
    const int start = screenBottom() + kStartBelow;
    setTop(std::min(y() + kDropStep, start));
    if (y() < start)
        return;
    m_dropTimer.stop();
    slideIn(std::exchange(m_pending, QString()));
}

void PopupWindow::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    painter.setPen(QColor(Theme::kGold));
    painter.drawLine(0, 0, width() - 1, 0);
    painter.drawLine(0, height() - 1, width() - 1, height() - 1);
}
