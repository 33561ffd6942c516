#include "ui/SwitchBox.h"

#include "ui/Theme.h"

#include <QPainter>

namespace {
constexpr int kTrackWidth = 38;
constexpr int kTrackHeight = 20;
constexpr int kGap = 10;
} // namespace

SwitchBox::SwitchBox(const QString &caption, QWidget *parent)
    : QCheckBox(caption, parent) {
    setAccessibleName(caption);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
}

QSize SwitchBox::sizeHint() const {
    const QFontMetrics metrics = fontMetrics();
    return QSize(kTrackWidth + kGap + metrics.horizontalAdvance(text()) + 6,
                 std::max(kTrackHeight, metrics.height()) + 6);
}

QSize SwitchBox::minimumSizeHint() const {
    return sizeHint();
}

bool SwitchBox::hitButton(const QPoint &pos) const {
    return rect().contains(pos);
}

void SwitchBox::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor gold{QLatin1String(Theme::kGold)};
    const bool on = isChecked();
    const QRectF track(1.5, (height() - kTrackHeight) / 2.0 + 0.5, kTrackWidth - 3,
                       kTrackHeight - 1);
    painter.setPen(QPen(hasFocus() ? gold.lighter(130) : QColor(0x5a, 0x5a, 0x5a), 1));
    painter.setBrush(on ? gold.darker(isEnabled() ? 110 : 180) : QColor(0x2a, 0x2a, 0x2a));
    painter.drawRoundedRect(track, track.height() / 2, track.height() / 2);
    const qreal knob = track.height() - 4;
    const qreal knobLeft = on ? track.right() - 2 - knob : track.left() + 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(on ? QColor(0xf4, 0xf4, 0xf4) : QColor(0x8a, 0x8a, 0x8a));
    painter.drawEllipse(QRectF(knobLeft, track.top() + 2, knob, knob));

    const QRect textRect(kTrackWidth + kGap, 0, width() - kTrackWidth - kGap, height());
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text());
    if (hasFocus()) {
        // The keyboard's place: a dotted line under the caption.
        const int advance = fontMetrics().horizontalAdvance(text());
        const int baseline = textRect.center().y() + fontMetrics().height() / 2 + 1;
        painter.setPen(QPen(gold, 1, Qt::DotLine));
        painter.drawLine(textRect.left(), baseline, textRect.left() + advance, baseline);
    }
}
