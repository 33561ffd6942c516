#include "ui/LogPanel.h"

#include "base/ProgramLog.h"
#include "ui/MenuKey.h"
#include "ui/MessageBoxes.h"
#include "ui/StatisticsPanel.h"

#include <QApplication>
#include <QClipboard>
#include <QListView>
#include <QMenu>

LogPanel::LogPanel(ProgramLog *log, StatisticsRunner *statistics, QWidget *parent)
    : QTabWidget(parent)
    , m_log(log)
    , m_view(new QListView(this))
    , m_statistics(new StatisticsPanel(log, statistics, this)) {
    m_view->setModel(log);
    m_view->setUniformItemSizes(true);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    m_view->setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 9));
    connect(m_view, &QWidget::customContextMenuRequested, this, &LogPanel::showMenu);
    MenuKey::install(m_view, [this](const QPoint &globalPos) {
        showMenu(m_view->viewport()->mapFromGlobal(globalPos));
    });
    connect(log, &ProgramLog::entryAdded, m_view, [this] { m_view->scrollToTop(); });

    addTab(m_view, tr("Program logfile"));
    addTab(m_statistics, tr("Statistics"));
    // Every change of tab, either way, rebuilds the statistics from the log when they show.
    connect(this, &QTabWidget::currentChanged, this, [this] {
        m_statistics->showPlaceholder();
        if (currentWidget() == m_statistics)
            m_statistics->rebuild();
    });
}

void LogPanel::showMenu(const QPoint &pos) {
    // Shown without a nested event loop; it deletes itself when it closes.
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(tr("Select all"), m_view, &QAbstractItemView::selectAll);
    menu->addSeparator();
    QAction *copy = menu->addAction(tr("Copy"), this, &LogPanel::copySelection);
    copy->setEnabled(m_view->selectionModel()->hasSelection());
    menu->addSeparator();
    QAction *remove = menu->addAction(tr("Delete logfile"), this, &LogPanel::deleteProgramLog);
    remove->setEnabled(m_log->rowCount() > 0);
    menu->popup(m_view->viewport()->mapToGlobal(pos));
}

void LogPanel::copySelection() {
    QModelIndexList rows = m_view->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    QStringList lines;
    for (const QModelIndex &index : rows)
        lines << index.data().toString();
    QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
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
