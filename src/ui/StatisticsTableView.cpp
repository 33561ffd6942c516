#include "ui/StatisticsTableView.h"

#include "base/WholeFile.h"
#include "stats/StatisticsCsv.h"
#include "stats/StatisticsModel.h"
#include "ui/FileDialogs.h"
#include "ui/IconProxyModel.h"
#include "ui/MessageBoxes.h"
#include "ui/StatisticsCellDelegate.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QHeaderView>
#include <QMenu>
#include <QStandardPaths>

namespace {
constexpr int kExtraWidth = 15;
} // namespace

StatisticsTableView::StatisticsTableView(QWidget *parent)
    : QTreeView(parent)
    , m_model(new StatisticsModel(this)) {
    auto *icons = new IconProxyModel(StatisticsModel::IconIndexRole, this);
    icons->setSourceModel(m_model);
    setModel(icons);
    setItemDelegate(new StatisticsCellDelegate(this));
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAccessibleName(tr("Player statistics"));
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true);
    header()->setSectionsMovable(false);
    header()->setMinimumSectionSize(kMinColumnWidth);
    header()->setMaximumSectionSize(kMaxColumnWidth);
    header()->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(header(), &QHeaderView::sectionClicked, m_model, &StatisticsModel::headerClicked);
}

void StatisticsTableView::setStatistics(const PlayerStatistics &statistics) {
    m_model->setStatistics(statistics);
    fitColumns();
}

int StatisticsTableView::contentWidth(int column) {
    // Measuring every cell through the delegate costs too much for thousands of rows: the
    // widest text decides, and only its cell is measured whole (icon and margins included).
    const QFontMetrics metrics(font());
    int widestRow = -1;
    int widest = -1;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const QString text = m_model->index(row, column).data().toString();
        // Playing times and dates are digits of one width: their length decides.
        const int width = column == 0 ? metrics.horizontalAdvance(text) : int(text.size());
        if (width > widest) {
            widest = width;
            widestRow = row;
        }
    }
    if (widestRow < 0)
        return 0;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    return itemDelegate()->sizeHint(option, model()->index(widestRow, column)).width();
}

void StatisticsTableView::fitColumns() {
    for (int column = 0; column < m_model->columnCount(); ++column) {
        const int natural = std::max(header()->sectionSizeHint(column), contentWidth(column));
        int width = std::clamp(natural, kMinColumnWidth, kMaxColumnWidth);
        if (column > 0)
            width = std::min(width + kExtraWidth, kMaxColumnWidth);
        setColumnWidth(column, width);
    }
}

void StatisticsTableView::contextMenuEvent(QContextMenuEvent *event) {
    QPoint at = event->globalPos();
    // The Menu key opens the menu at the current row rather than where the mouse happens to be.
    if (event->reason() == QContextMenuEvent::Keyboard) {
        const QRect row = visualRect(currentIndex());
        at = viewport()->mapToGlobal(row.isValid() ? row.center() : QPoint(0, 0));
    }
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(tr("Export as CSV…"), this, &StatisticsTableView::exportCsv);
    menu->popup(at);
    event->accept();
}

void StatisticsTableView::exportCsv() {
    const QString suggested =
        QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
            .filePath(QStringLiteral("statistics.csv"));
    const QString path = FileDialogs::saveFileName(this, tr("Export statistics as CSV"), suggested,
                                                   tr("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty())
        return;
    QString error;
    if (!WholeFile::write(
            path, StatisticsCsv::encode(m_model->exportHeader(), m_model->exportRows()), &error))
        MessageBoxes::inform(this, tr("The statistics could not be written to \"%1\": %2")
                                       .arg(QDir::toNativeSeparators(path), error));
}
