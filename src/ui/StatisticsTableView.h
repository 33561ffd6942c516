#pragma once

#include <QTreeView>

class QMenu;
class StatisticsModel;
struct PlayerStatistics;

// The statistics as a table: one row per player with the player's id, the most playing time
// first, names and ids left-aligned and times right-aligned on a checkerboard of greys, a click on
// a header sorts, and the pop-up menu exports the table as CSV.
class StatisticsTableView final : public QTreeView {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatisticsTableView)

public:
    static constexpr int kMinColumnWidth = 80;
    static constexpr int kMaxColumnWidth = 200;

    explicit StatisticsTableView(QWidget *parent = nullptr);

    StatisticsModel *statisticsModel() const { return m_model; }
    // New rows and columns; the sort column and direction stay, the header icon goes.
    void setStatistics(const PlayerStatistics &statistics);

    // "Export as CSV…": the rows in the order shown, after a file dialog.
    void exportCsv();

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    // Each column fits its caption and its widest cell; all but the first get 15 pixels more
    // (a narrow one 95 in all), within 80 to 200.
    void fitColumns();
    int contentWidth(int column);

    StatisticsModel *m_model;
};
