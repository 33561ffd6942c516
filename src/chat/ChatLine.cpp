#include "chat/ChatLine.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kStampLength = 15;

// Relative luminance of an sRGB colour, from 0 (black) to 1 (white).
double luminance(const QColor &colour) {
    const auto linear = [](int level) {
        const double c = level / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.red()) + 0.7152 * linear(colour.green()) +
           0.0722 * linear(colour.blue());
}

QColor towardsWhite(const QColor &colour, double share) {
    const auto mix = [share](int level) { return int(std::lround(level + (255 - level) * share)); };
    return QColor(mix(colour.red()), mix(colour.green()), mix(colour.blue()));
}
} // namespace

QColor ChatColors::viewText() {
    return QColor(202, 202, 202);
}
QColor ChatColors::background() {
    return QColor(17, 17, 17);
}
QColor ChatColors::stamp() {
    return QColor(128, 128, 128);
}
QColor ChatColors::admin() {
    return QColor(250, 130, 20);
}
QColor ChatColors::serverParen() {
    return QColor(255, 255, 0);
}
QColor ChatColors::serverAdmin() {
    return QColor(235, 179, 10);
}
QColor ChatColors::player() {
    return QColor(255, 255, 255);
}

double ChatColors::contrast(const QColor &a, const QColor &b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ChatColors::readableOnBackground(const QColor &colour) {
    const QColor opaque = QColor::fromRgb(colour.rgb() | 0xff000000u);
    if (!colour.isValid() || contrast(opaque, background()) >= kLeastContrast)
        return colour;
    // The least share of white that reads, to a 256th: the colour keeps as much of its hue as
    // it can.
    double low = 0.0;
    double high = 1.0;
    for (int step = 0; step < 8; ++step) {
        const double middle = (low + high) / 2;
        if (contrast(towardsWhite(opaque, middle), background()) >= kLeastContrast)
            high = middle;
        else
            low = middle;
    }
    return towardsWhite(opaque, high);
}

ChatLine::ChatLine(const QString &stamp, const QString &text, const QList<ChatRun> &runs)
    : m_display(stamp.isEmpty() ? text : stamp + QLatin1Char(' ') + text)
    , m_stampLength(int(stamp.size())) {
    m_runs = normalizedRuns(runs, int(m_display.size()));
}

ChatLine ChatLine::fromDisplayText(const QString &displayText, const QList<ChatRun> &runs) {
    ChatLine line;
    line.m_display = displayText;
    line.m_stampLength = hasStampShape(displayText) ? kStampLength : 0;
    line.m_runs = normalizedRuns(runs, int(displayText.size()));
    return line;
}

bool ChatLine::hasStampShape(QStringView displayText) {
    return displayText.size() > kStampLength && displayText.at(0) == QLatin1Char('[') &&
           displayText.at(7) == QLatin1Char('-') && displayText.at(14) == QLatin1Char(']') &&
           displayText.at(15) == QLatin1Char(' ');
}

bool ChatLine::hasAnyStampMark(QStringView displayText) {
    const auto at = [displayText](int i, char c) {
        return displayText.size() > i && displayText.at(i) == QLatin1Char(c);
    };
    return at(0, '[') || at(7, '-') || at(14, ']') || at(15, ' ');
}

QString ChatLine::text() const {
    return m_stampLength == 0 ? m_display : m_display.mid(m_stampLength + 1);
}

QList<ChatRun> ChatLine::normalizedRuns(QList<ChatRun> runs, int textLength) {
    std::stable_sort(runs.begin(), runs.end(),
                     [](const ChatRun &a, const ChatRun &b) { return a.start < b.start; });
    QList<ChatRun> out;
    out.reserve(runs.size());
    int covered = 0;
    for (ChatRun run : runs) {
        // In 64 bits: a start and length near the int limit must not overflow.
        const qint64 end = std::min<qint64>(qint64(run.start) + run.length, textLength);
        run.start = std::max({run.start, covered, 0});
        if (end <= run.start)
            continue;
        run.length = int(end - run.start);
        // Runs compare by RGB alone; the view's own colour given by name is no colour at all.
        if (run.color.isValid())
            run.color = QColor::fromRgb(run.color.rgb() | 0xff000000u);
        if (run.color == ChatColors::viewText())
            run.color = QColor();
        covered = int(end);
        if (!run.color.isValid() && !run.bold)
            continue;
        if (!out.isEmpty()) {
            ChatRun &last = out.last();
            if (last.start + last.length == run.start && last.color == run.color &&
                last.bold == run.bold) {
                last.length += run.length;
                continue;
            }
        }
        out.append(run);
    }
    return out;
}
