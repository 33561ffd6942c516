#include "ui/PasswordDelegate.h"

#include <QApplication>
#include <QPainter>

PasswordDelegate::PasswordDelegate(QObject *parent)
    : QStyledItemDelegate(parent) {}

void PasswordDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const {
    if (!m_masked) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QString masked(opt.text.size(), QLatin1Char('*'));
    opt.text.clear();
    QApplication::style()->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
    painter->save();
    painter->setPen(opt.palette.color(opt.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                         : QPalette::Text));
    painter->drawText(opt.rect.adjusted(5, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, masked);
    painter->restore();
}
