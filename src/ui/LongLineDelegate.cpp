#include "ui/LongLineDelegate.h"

#include <QHelpEvent>
#include <QListView>
#include <QToolTip>

namespace {
// The delegate's margins around the text.
constexpr int kTextMargin = 12;
} // namespace

LongLineDelegate *LongLineDelegate::install(QListView *view) {
    return new LongLineDelegate(view);
}

LongLineDelegate::LongLineDelegate(QListView *view)
    : QStyledItemDelegate(view)
    , m_view(view) {
    view->setItemDelegate(this);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    view->viewport()->installEventFilter(this);
    QAbstractItemModel *model = view->model();
    if (!model)
        return;
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { measure(first, last); });
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &first, const QModelIndex &last) {
                measure(first.row(), last.row());
            });
    // Removed lines may have been the widest: measure again rather than scroll too far.
    connect(model, &QAbstractItemModel::rowsRemoved, this, &LongLineDelegate::measureAll);
    connect(model, &QAbstractItemModel::modelReset, this, &LongLineDelegate::measureAll);
    measureAll();
}

int LongLineDelegate::textWidth(const QString &text) const {
    return m_view->fontMetrics().horizontalAdvance(text) + kTextMargin;
}

void LongLineDelegate::measureAll() {
    m_widest = 0;
    if (const QAbstractItemModel *model = m_view->model())
        measure(0, model->rowCount() - 1);
}

void LongLineDelegate::measure(int first, int last) {
    const QAbstractItemModel *model = m_view->model();
    // Measuring every line of a long log costs too much: the longest text of the range decides
    // (the views use a fixed-pitch font), and only it is measured.
    qsizetype longest = -1;
    QString widest;
    for (int row = std::max(0, first); row <= last && row < model->rowCount(); ++row) {
        const QString text = model->index(row, 0).data().toString();
        if (text.size() > longest) {
            longest = text.size();
            widest = text;
        }
    }
    if (longest >= 0)
        m_widest = std::max(m_widest, textWidth(widest));
}

QSize LongLineDelegate::sizeHint(const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const {
    const QSize natural = QStyledItemDelegate::sizeHint(option, index);
    return QSize(std::max(natural.width(), m_widest), natural.height());
}

QString LongLineDelegate::toolTipAt(const QPoint &pos) const {
    const QModelIndex index = m_view->indexAt(pos);
    if (!index.isValid())
        return {};
    const QString text = index.data().toString();
    const QRect row = m_view->visualRect(index);
    const int right = row.left() + textWidth(text);
    if (row.left() >= 0 && right <= m_view->viewport()->width())
        return {};
    // A tool tip reads markup: the line is escaped inside a paragraph that keeps its blanks.
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}

bool LongLineDelegate::eventFilter(QObject *watched, QEvent *event) {
    // The viewport is no editor: the base class's editor handling must not see its events.
    if (watched != m_view->viewport())
        return QStyledItemDelegate::eventFilter(watched, event);
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const QString tip = toolTipAt(help->pos());
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, m_view->viewport());
        return true;
    }
    return false;
}
