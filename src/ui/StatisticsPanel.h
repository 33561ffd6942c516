#pragma once

#include <QStackedWidget>

class ProgramLog;
class QLabel;
class QTabWidget;
class StatisticsChartView;
class StatisticsRunner;
class StatisticsTableView;

// The "Statistics" tab: the inner tabs "Table" and "Diagram" over a "Collect data ..."
// placeholder that shows while a build runs.
class StatisticsPanel final : public QStackedWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatisticsPanel)

public:
    StatisticsPanel(ProgramLog *log, StatisticsRunner *runner, QWidget *parent = nullptr);

    // The inner tabs give way to the placeholder.
    void showPlaceholder();
    // A build of the log as it is now; the placeholder shows until it is done.
    void rebuild();
    bool showsPlaceholder() const;

    QLabel *placeholder() const { return m_placeholder; }
    QTabWidget *innerTabs() const { return m_tabs; }
    StatisticsTableView *table() const { return m_table; }
    StatisticsChartView *diagram() const { return m_chart; }

private:
    void showBuild();
    void innerTabChanged();

    ProgramLog *m_log;
    StatisticsRunner *m_runner;
    QLabel *m_placeholder;
    QTabWidget *m_tabs;
    StatisticsTableView *m_table;
    StatisticsChartView *m_chart;
    // The diagram is filled when it is first shown after a build: its bars cost the most.
    bool m_chartStale = false;
};
