#include "ui/StatisticsPanel.h"

#include "base/ProgramLog.h"
#include "stats/StatisticsRunner.h"
#include "ui/StatisticsChartView.h"
#include "ui/StatisticsTableView.h"

#include <QLabel>
#include <QTabWidget>

StatisticsPanel::StatisticsPanel(ProgramLog *log, StatisticsRunner *runner, QWidget *parent)
    : QStackedWidget(parent)
    , m_log(log)
    , m_runner(runner)
    , m_placeholder(new QLabel(tr("Collect data ..."), this))
    , m_tabs(new QTabWidget(this))
    , m_table(new StatisticsTableView(m_tabs))
    , m_chart(new StatisticsChartView(m_tabs)) {
    m_placeholder->setObjectName(QStringLiteral("placeholder"));
    m_placeholder->setAlignment(Qt::AlignCenter);
    m_tabs->addTab(m_table, tr("Table"));
    m_tabs->addTab(m_chart, tr("Diagram"));
    addWidget(m_placeholder);
    addWidget(m_tabs);
    setCurrentWidget(m_placeholder);
    connect(m_tabs, &QTabWidget::currentChanged, this, &StatisticsPanel::innerTabChanged);
    connect(m_runner, &StatisticsRunner::finished, this, &StatisticsPanel::showBuild);
}

void StatisticsPanel::showPlaceholder() {
    setCurrentWidget(m_placeholder);
}

bool StatisticsPanel::showsPlaceholder() const {
    return currentWidget() == m_placeholder;
}

void StatisticsPanel::rebuild() {
    showPlaceholder();
    m_runner->request(m_log->lines());
}

void StatisticsPanel::showBuild() {
    m_table->setStatistics(m_runner->statistics());
    m_chartStale = true;
    if (m_tabs->currentWidget() == m_chart)
        innerTabChanged();
    setCurrentWidget(m_tabs);
}

void StatisticsPanel::innerTabChanged() {
    if (m_tabs->currentWidget() != m_chart)
        return;
    if (m_chartStale) {
        m_chartStale = false;
        m_chart->setStatistics(m_runner->statistics());
    }
    // The wheel acts on what has the focus.
    m_chart->setFocus();
}
