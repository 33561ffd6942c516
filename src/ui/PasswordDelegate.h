#pragma once

#include <QStyledItemDelegate>

// Draws a password as one "*" per character, from 5 px right of and below the cell's top-left
// corner, unless passwords are shown.
class PasswordDelegate final : public QStyledItemDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PasswordDelegate)

public:
    explicit PasswordDelegate(QObject *parent = nullptr);
    void setMasked(bool masked) { m_masked = masked; }
    bool isMasked() const { return m_masked; }

    // One "*" per character; nothing for an empty password.
    static QString maskedText(const QString &password);
    // The asterisks start 5 px right of the cell's left edge and 5 px below the row's top.
    static QRect maskRect(const QRect &cell);
    static constexpr int kOffset = 5;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;

private:
    bool m_masked = true;
};
