#pragma once

#include <QStyledItemDelegate>

// Draws a password as one "*" per character unless passwords are shown.
class PasswordDelegate final : public QStyledItemDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PasswordDelegate)

public:
    explicit PasswordDelegate(QObject *parent = nullptr);
    void setMasked(bool masked) { m_masked = masked; }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

private:
    bool m_masked = true;
};
