#include "ui/LogPanel.h"

#include "base/ProgramLog.h"
#include "ui/LogSearch.h"
#include "ui/LongLineDelegate.h"
#include "ui/MessageBoxes.h"
#include "ui/StatisticsPanel.h"
#include "ui/TextViewMenu.h"

#include <QLineEdit>
#include <QListView>
#include <QStringListModel>
#include <QVBoxLayout>

namespace {
QListView *makeLineView(QWidget *parent) {
    auto *view = new QListView(parent);
    view->setUniformItemSizes(true);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 9));
    return view;
}
} // namespace

LogPanel::LogPanel(ProgramLog *log, StatisticsRunner *statistics, QWidget *parent)
    : QTabWidget(parent)
    , m_log(log)
    , m_view(nullptr)
    , m_resultView(nullptr)
    , m_results(new QStringListModel(this))
    , m_statistics(new StatisticsPanel(log, statistics, this)) {
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_view = makeLineView(page);
    m_view->setModel(log);
    m_view->setAccessibleName(tr("Program logfile"));
    LongLineDelegate::install(m_view);
    m_resultView = makeLineView(page);
    m_resultView->setObjectName(QStringLiteral("searchResult"));
    m_resultView->setModel(m_results);
    m_resultView->setAccessibleName(tr("Program logfile search result"));
    LongLineDelegate::install(m_resultView);
    layout->addWidget(m_view);
    layout->addWidget(m_resultView);
    TextViewMenu::install(
        m_view, [log] { return log->rowCount() > 0; }, [this] { deleteProgramLog(); });
    connect(log, &ProgramLog::entryAdded, m_view, [this] { m_view->scrollToTop(); });

    addTab(page, tr("Program logfile"));
    addTab(m_statistics, tr("Statistics"));

    m_search = new LogSearch(
        this, m_view, m_resultView, [log] { return log->lines(); },
        [this](const QStringList &hits) { m_results->setStringList(hits); },
        [](const QWidget *area) { return LogSearch::programLogField(area->width(), 20); }, this);
    m_search->setLeftLimit(LogSearch::kProgramLogLeftLimit);
    m_search->field()->setAccessibleName(tr("Search program logfile"));

    // Every change of tab, either way, rebuilds the statistics from the log when they show.
    connect(this, &QTabWidget::currentChanged, this, [this] {
        m_search->setControlsVisible(currentIndex() == 0);
        m_statistics->showPlaceholder();
        if (currentWidget() == m_statistics)
            m_statistics->rebuild();
    });
}

void LogPanel::setSearchText(const QString &text) {
    m_search->field()->setText(text);
}

void LogPanel::deleteProgramLog() {
    if (!MessageBoxes::confirm(
            this, tr("Really delete program logfile? All statistics will be deleted!")))
        return;
    if (!m_log->deleteLogfile())
        MessageBoxes::inform(
            this, tr("The program log could not be set aside in \"%1\"; nothing was deleted.")
                      .arg(QStringLiteral("logs/kvd_log_deleted.old")));
}
