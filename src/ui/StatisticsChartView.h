#pragma once

#include <QChartView>
#include <QList>
#include <QStringList>

class QCategoryAxis;
class QHorizontalStackedBarSeries;
class QValueAxis;
struct PlayerStatistics;

// The statistics as stacked horizontal bars: one bar per player (the most playing time at the
// top), one segment per server in its palette colour, in hours. The legend's check boxes (and the
// pop-up menu's) hide a server's segments; the wheel zooms the player axis and a drag with the
// left button pans it, never beyond the players. Only the players in view have bars and labels,
// so thousands of players cost no more than the few on screen.
class StatisticsChartView final : public QChartView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatisticsChartView)

public:
    static constexpr int kPaletteSize = 14;
    // The colour of the n-th server from 0; the 15th starts again with the first.
    static QColor seriesColour(int server);
    // Below this height per player the diagram opens on the players with the most playing time.
    static constexpr int kPlayerPitch = 24;

    explicit StatisticsChartView(QWidget *parent = nullptr);

    // Every bar anew: all players in view when they fit, else as many as fit from the top.
    void setStatistics(const PlayerStatistics &statistics);

    int playerCount() const { return m_playerCount; }
    QHorizontalStackedBarSeries *series() const { return m_series; }
    QCategoryAxis *playerAxis() const { return m_players; }
    QValueAxis *hoursAxis() const { return m_hours; }
    // The part of the player axis in view, in players counted from 0 at the bottom.
    double playerAxisMin() const { return m_min; }
    double playerAxisMax() const { return m_max; }
    // The labels on the player axis now, bottom to top.
    QStringList visiblePlayerLabels() const;

    bool isServerShown(int server) const { return m_shown.value(server); }
    void setServerShown(int server, bool shown);

    // One step of the wheel: in by 1 percent, or out by 1 percent until all players are in view,
    // staying inside them.
    void zoomInStep();
    void zoomOutStep();
    // Moves the player axis by `players`; refused (false) when it would leave -1 to the count.
    bool panPlayers(double players);

protected:
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void setPlayerRange(double min, double max);
    // Moves by up to `players`, stopping at the ends.
    void panWithin(double players);
    void updatePlayerLabels();
    void updateHoursRange();
    void updateMarker(int server);
    double plotHeight() const;

    QChart *m_chart;
    QHorizontalStackedBarSeries *m_series = nullptr;
    QCategoryAxis *m_players;
    QValueAxis *m_hours;
    QStringList m_servers;
    QStringList m_labels;
    QList<QList<qreal>> m_hoursPerServer;
    QList<bool> m_shown;
    int m_playerCount = 0;
    double m_min = -0.5;
    double m_max = 0.5;
    QPointF m_dragFrom;
    bool m_dragging = false;
};
