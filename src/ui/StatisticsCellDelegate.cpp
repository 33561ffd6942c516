#include "ui/StatisticsCellDelegate.h"

QColor StatisticsCellDelegate::background(int row, int column) {
    const bool oddRow = row % 2 == 1;
    if (column == 0)
        return oddRow ? QColor(0x19, 0x19, 0x19) : QColor();
    if (column % 2 == 1)
        return oddRow ? QColor(0x22, 0x22, 0x22) : QColor(0x18, 0x18, 0x18);
    return oddRow ? QColor(0x19, 0x19, 0x19) : QColor(0x11, 0x11, 0x11);
}

void StatisticsCellDelegate::initStyleOption(QStyleOptionViewItem *option,
                                             const QModelIndex &index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    const QColor colour = background(index.row(), index.column());
    if (colour.isValid())
        option->backgroundBrush = colour;
    option->palette.setColor(QPalette::Text, Qt::white);
}
