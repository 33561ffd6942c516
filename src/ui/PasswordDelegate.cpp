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
    const QString masked = maskedText(opt.text);
    opt.text.clear();
    const QStyle *style = opt.widget ? opt.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
    if (masked.isEmpty())
        return;
    painter->save();
    painter->setPen(opt.palette.color(opt.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                         : QPalette::Text));
    painter->setFont(opt.font);
    painter->drawText(maskRect(opt.rect), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      masked);
    painter->restore();
}

QString PasswordDelegate::maskedText(const QString &password) {
    return QString(password.size(), QLatin1Char('*'));
}

QRect PasswordDelegate::maskRect(const QRect &cell) {
    return cell.adjusted(kOffset, kOffset, 0, 0);
}
