#pragma once

#include <QMessageBox>

#include <optional>

// Refusals are information boxes with OK; confirmations are warning boxes with Yes and No;
// failures are warning boxes with OK.
// Tests answer the next box in advance so that no modal dialog waits for a person.
class MessageBoxes final {
public:
    static bool confirm(QWidget *parent, const QString &text);
    static void inform(QWidget *parent, const QString &text);
    // A warning with OK; `detail`, when given, stands below the text.
    static void warn(QWidget *parent, const QString &text, const QString &detail = QString());

    static void setNextAnswer(QMessageBox::StandardButton answer);
    static QString lastText();

private:
    static std::optional<QMessageBox::StandardButton> &nextAnswer();
};
