#pragma once

#include <QStyledItemDelegate>

// White text on four deep greys in a checkerboard: the player column darkens its odd rows, the
// other columns alternate in pairs of greys by column and row.
class StatisticsCellDelegate final : public QStyledItemDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatisticsCellDelegate)

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The cell's own background, or an invalid colour where the view's own shows.
    static QColor background(int row, int column);

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};
