#pragma once

#include <QMessageBox>

#include <optional>

// Refusals are information boxes with OK; confirmations are warning boxes with Yes and No.
// Tests answer the next box in advance so that no modal dialog waits for a person.
class MessageBoxes final {
public:
    static bool confirm(QWidget *parent, const QString &text);
    static void inform(QWidget *parent, const QString &text);

    static void setNextAnswer(QMessageBox::StandardButton answer);
    static QString lastText();

private:
    static std::optional<QMessageBox::StandardButton> &nextAnswer();
};
