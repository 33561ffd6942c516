#include "ui/StatisticsChartView.h"

#include "stats/PlayTime.h"
#include "stats/PlayerStatistics.h"
#include "ui/Theme.h"

#include <QBarSet>
#include <QCategoryAxis>
#include <QContextMenuEvent>
#include <QHash>
#include <QHorizontalStackedBarSeries>
#include <QLegend>
#include <QLegendMarker>
#include <QMenu>
#include <QMouseEvent>
#include <QValueAxis>
#include <QWheelEvent>

#include <cmath>

namespace {

constexpr double kZoomInFactor = 1.01;
constexpr double kZoomOutFactor = 0.99;
// A drag may move the player axis from this far below the first player to the player count.
constexpr double kAxisFloor = -1.0;
// All players in view: from half a player below the first to half above the last. The keys and
// the opening view keep to these edges too.
constexpr double kAllMin = -0.5;
// Room for the legend, the hours axis and the margins while the chart has not laid out yet.
constexpr int kChartFrame = 110;
constexpr int kLabelPadding = 6;

const QColor kText(0xe6, 0xe6, 0xe6);
const QColor kGrid(0x33, 0x33, 0x33);
const QColor kHiddenMarker(0x55, 0x55, 0x55);

// The chart draws its labels as markup: a player's or server's name is escaped, so that it
// shows as it is written.
QString chartText(const QString &name) {
    return name.toHtmlEscaped();
}

// An axis needs distinct labels: equal names get invisible zero-width spaces appended.
QStringList playerLabels(const StringTable &table, const QString &nameless) {
    QStringList labels;
    QHash<QString, int> seen;
    for (int row = 1; row < table.rowCount(); ++row) {
        QString name = chartText(table.cell(PlayerStatistics::NameColumn, row));
        if (name.isEmpty())
            name = nameless;
        const int earlier = seen.value(name, 0);
        seen.insert(name, earlier + 1);
        labels << name + QString(earlier, QChar(0x200B));
    }
    return labels;
}

} // namespace

QColor StatisticsChartView::seriesColour(int server) {
    static const QColor palette[kPaletteSize] = {
        QColor(0x7E, 0xA8, 0xFF), QColor(0xFF, 0x7F, 0x7E), QColor(0xFF, 0xD9, 0xB1),
        QColor(0x70, 0xA7, 0x70), QColor(0xD7, 0xD7, 0xA6), QColor(0xA6, 0x74, 0xD6),
        QColor(0xFF, 0xA8, 0x7E), QColor(0xB1, 0xD9, 0xFF), QColor(0xA7, 0x70, 0xA8),
        QColor(0xD7, 0xD7, 0xD9), QColor(0x7E, 0xFF, 0xD6), QColor(0xD6, 0x75, 0x74),
        QColor(0xA8, 0x7E, 0xFF), QColor(0xE4, 0xE4, 0xFF)};
    return palette[server % kPaletteSize];
}

StatisticsChartView::StatisticsChartView(QWidget *parent)
    : QChartView(parent)
    , m_chart(chart()) // the view's own chart: setChart() would leave the first one unowned
    , m_players(new QCategoryAxis(m_chart))
    , m_hours(new QValueAxis(m_chart)) {
    setRubberBand(QChartView::NoRubberBand);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(tr("Player statistics diagram"));
    setToolTip(tr("Wheel or +/-: zoom the players; drag or arrow keys: move up and down; "
                  "legend: show or hide a server"));

    m_chart->setBackgroundBrush(QColor(QLatin1String(Theme::kList)));
    m_chart->setBackgroundRoundness(0);
    m_chart->setMargins(QMargins(4, 4, 8, 4));
    m_chart->legend()->setAlignment(Qt::AlignTop);
    m_chart->legend()->setLabelColor(kText);
    // Many servers share one row: a smaller font, and the whole name in a tool tip.
    QFont legendFont = m_chart->legend()->font();
    legendFont.setPointSizeF(legendFont.pointSizeF() * 0.85);
    m_chart->legend()->setFont(legendFont);
    m_chart->legend()->setShowToolTips(true);

    m_hours->setTitleText(tr("hours"));
    m_hours->setTitleBrush(QColor(QLatin1String(Theme::kGold)));
    m_hours->setLabelsColor(kText);
    m_hours->setGridLineColor(kGrid);
    m_hours->setLabelFormat(QStringLiteral("%.0f"));
    m_players->setLabelsColor(kText);
    m_players->setGridLineVisible(false);
    m_players->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    m_chart->addAxis(m_hours, Qt::AlignBottom);
    m_chart->addAxis(m_players, Qt::AlignLeft);
    setPlayerRange(-0.5, 0.5);
    connect(m_chart, &QChart::plotAreaChanged, this, &StatisticsChartView::updatePlayerLabels);
}

double StatisticsChartView::plotHeight() const {
    const double plot = m_chart->plotArea().height();
    return plot > 0 ? plot : std::max(1, height() - kChartFrame);
}

void StatisticsChartView::setStatistics(const PlayerStatistics &statistics) {
    m_chart->removeAllSeries();
    m_series = nullptr;
    m_servers = statistics.servers();
    m_playerCount = statistics.playerCount();
    m_labels = playerLabels(statistics.table, tr("(no name)"));
    m_shown = QList<bool>(m_servers.size(), true);
    m_hoursPerServer.clear();
    for (int s = 0; s < m_servers.size(); ++s) {
        QList<qreal> hours;
        hours.reserve(m_playerCount);
        for (int row = 1; row <= m_playerCount; ++row)
            hours << PlayTime::hours(
                statistics.table.cell(PlayerStatistics::FirstServerColumn + s, row));
        m_hoursPerServer << hours;
    }

    // The range comes first: the chart makes bars only for the players in view.
    const int fit = std::max(1, int(plotHeight() / kPlayerPitch));
    if (m_playerCount <= fit)
        setPlayerRange(kAllMin, kAllMin + std::max(m_playerCount, 1));
    else
        setPlayerRange(kAllMin + m_playerCount - fit, kAllMin + m_playerCount);
    updateHoursRange();

    auto *series = new QHorizontalStackedBarSeries;
    m_chart->addSeries(series);
    series->attachAxis(m_hours);
    series->attachAxis(m_players);
    m_series = series;
    // The sets join after the axes: joining with the series, every player would get bars first.
    QList<QBarSet *> sets;
    for (int s = 0; s < m_servers.size(); ++s) {
        auto *set = new QBarSet(chartText(m_servers.at(s)));
        set->append(m_hoursPerServer.at(s));
        sets << set;
    }
    series->append(sets);
    // After joining: the chart's theme paints over colours given earlier.
    for (int s = 0; s < sets.size(); ++s) {
        sets.at(s)->setColor(seriesColour(s));
        sets.at(s)->setBorderColor(seriesColour(s));
    }
    const QList<QLegendMarker *> markers = m_chart->legend()->markers(series);
    for (int s = 0; s < markers.size(); ++s) {
        connect(markers.at(s), &QLegendMarker::clicked, this,
                [this, s] { setServerShown(s, !isServerShown(s)); });
        updateMarker(s);
    }
}

void StatisticsChartView::setPlayerRange(double min, double max) {
    m_min = min;
    m_max = max;
    m_players->setRange(min, max);
    updatePlayerLabels();
}

void StatisticsChartView::updatePlayerLabels() {
    // The names of the players whose bars are in view; every n-th from the top when they crowd.
    QList<int> shown;
    const int first = std::max(0, int(std::ceil(m_min)));
    const int last = std::min(m_playerCount - 1, int(std::floor(m_max)));
    if (first <= last) {
        // The axis gives each label an equal share of its height and elides a label taller
        // than its share.
        const int pitch = QFontMetrics(m_players->labelsFont()).height() + kLabelPadding;
        const int room = std::max(1, int(plotHeight() / pitch) - 1);
        const int step = std::max(1, (last - first + room) / room);
        for (int player = last; player >= first; player -= step)
            shown.prepend(player);
    }
    QStringList labels;
    for (const int player : shown)
        labels << m_labels.at(player);
    if (labels == m_players->categoriesLabels())
        return;
    for (const QString &label : m_players->categoriesLabels())
        m_players->remove(label);
    m_players->setStartValue(shown.isEmpty() ? m_min : shown.first() - 1);
    for (const int player : shown)
        m_players->append(m_labels.at(player), player);
}

QStringList StatisticsChartView::visiblePlayerLabels() const {
    return m_players->categoriesLabels();
}

void StatisticsChartView::updateHoursRange() {
    double most = 0;
    for (int player = 0; player < m_playerCount; ++player) {
        double total = 0;
        for (int s = 0; s < m_servers.size(); ++s) {
            if (m_shown.at(s))
                total += m_hoursPerServer.at(s).at(player);
        }
        most = std::max(most, total);
    }
    m_hours->setRange(0, most > 0 ? most : 1);
    m_hours->applyNiceNumbers();
}

void StatisticsChartView::updateMarker(int server) {
    if (!m_series)
        return;
    const QList<QLegendMarker *> markers = m_chart->legend()->markers(m_series);
    if (server >= markers.size())
        return;
    const bool shown = m_shown.value(server);
    QLegendMarker *marker = markers.at(server);
    marker->setLabel((shown ? QStringLiteral("☑ ") : QStringLiteral("☐ ")) +
                     chartText(m_servers.at(server)));
    marker->setBrush(shown ? seriesColour(server) : kHiddenMarker);
    marker->setPen(QPen(shown ? seriesColour(server) : kHiddenMarker));
}

void StatisticsChartView::setServerShown(int server, bool shown) {
    if (!m_series || server < 0 || server >= m_servers.size() || m_shown.at(server) == shown)
        return;
    m_shown[server] = shown;
    QBarSet *set = m_series->barSets().at(server);
    set->remove(0, set->count());
    set->append(shown ? m_hoursPerServer.at(server) : QList<qreal>(m_playerCount, 0.0));
    updateMarker(server);
    updateHoursRange();
}

void StatisticsChartView::zoomInStep() {
    if (m_playerCount == 0)
        return;
    const double centre = (m_min + m_max) / 2;
    const double half = (m_max - m_min) / 2 / kZoomInFactor;
    setPlayerRange(centre - half, centre + half);
}

void StatisticsChartView::zoomOutStep() {
    // Until every player is in view; the view then moves back inside the players. (Stopping
    // once the top of the view nears the top player would keep it from ever zooming out there.)
    const double span = m_max - m_min;
    if (m_playerCount == 0 || span >= m_playerCount)
        return;
    const double wider = std::min(span / kZoomOutFactor, double(m_playerCount));
    double min = (m_min + m_max - wider) / 2;
    min = std::clamp(min, kAllMin, kAllMin + m_playerCount - wider);
    setPlayerRange(min, min + wider);
}

bool StatisticsChartView::panPlayers(double players) {
    if (m_playerCount == 0 || m_min + players < kAxisFloor || m_max + players > m_playerCount)
        return false;
    setPlayerRange(m_min + players, m_max + players);
    return true;
}

void StatisticsChartView::panWithin(double players) {
    const double move = std::clamp(players, kAllMin - m_min, kAllMin + m_playerCount - m_max);
    // A view taller than all players has nowhere to go.
    if (m_playerCount > 0 && (move > 0) == (players > 0) && move != 0)
        setPlayerRange(m_min + move, m_max + move);
}

void StatisticsChartView::wheelEvent(QWheelEvent *event) {
    if (event->angleDelta().y() > 0)
        zoomInStep();
    else if (event->angleDelta().y() < 0)
        zoomOutStep();
    event->accept();
}

void StatisticsChartView::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton) {
        m_dragging = true;
        m_dragFrom = event->position();
    }
    // The legend's markers take their clicks through the scene.
    QChartView::mousePressEvent(event);
}

void StatisticsChartView::mouseMoveEvent(QMouseEvent *event) {
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        // Dragging down brings the players above into view.
        const double players =
            (event->position().y() - m_dragFrom.y()) * (m_max - m_min) / plotHeight();
        if (panPlayers(players))
            m_dragFrom = event->position();
        event->accept();
        return;
    }
    QChartView::mouseMoveEvent(event);
}

void StatisticsChartView::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    QChartView::mouseReleaseEvent(event);
}

void StatisticsChartView::keyPressEvent(QKeyEvent *event) {
    const double page = m_max - m_min;
    switch (event->key()) {
    case Qt::Key_Up:
        panWithin(1);
        break;
    case Qt::Key_Down:
        panWithin(-1);
        break;
    case Qt::Key_PageUp:
        panWithin(page);
        break;
    case Qt::Key_PageDown:
        panWithin(-page);
        break;
    case Qt::Key_Home:
        panWithin(m_playerCount);
        break;
    case Qt::Key_End:
        panWithin(-m_playerCount);
        break;
    case Qt::Key_Plus:
        zoomInStep();
        break;
    case Qt::Key_Minus:
        zoomOutStep();
        break;
    default:
        QChartView::keyPressEvent(event);
        return;
    }
    event->accept();
}

void StatisticsChartView::resizeEvent(QResizeEvent *event) {
    QChartView::resizeEvent(event);
    updatePlayerLabels();
}

void StatisticsChartView::contextMenuEvent(QContextMenuEvent *event) {
    QPoint at = event->globalPos();
    if (event->reason() == QContextMenuEvent::Keyboard)
        at = mapToGlobal(rect().center());
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (int s = 0; s < m_servers.size(); ++s) {
        // A "&" in a server's name is shown, not taken as the item's shortcut letter.
        QString caption = m_servers.at(s);
        caption.replace(QLatin1Char('&'), QLatin1String("&&"));
        QAction *action = menu->addAction(caption);
        action->setCheckable(true);
        action->setChecked(isServerShown(s));
        connect(action, &QAction::toggled, this, [this, s](bool on) { setServerShown(s, on); });
    }
    menu->popup(at);
    event->accept();
}
