#pragma once

#include <QCheckBox>

// A check box drawn as a switch, one picture for on and another for off, with its caption beside
// it. It stays a check box for the keyboard (Tab, Space) and for assistive technology.
class SwitchBox final : public QCheckBox {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SwitchBox)

public:
    explicit SwitchBox(const QString &caption, QWidget *parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override;
};
