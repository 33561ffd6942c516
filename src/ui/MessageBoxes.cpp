#include "ui/MessageBoxes.h"

#include "ui/ScrollableTextBox.h"

#include <QCoreApplication>
#include <QInputDialog>
#include <QLineEdit>

#include <utility>

namespace {
QString &lastShown() {
    static QString text;
    return text;
}
QString caption() {
    return QCoreApplication::translate("MessageBoxes", "Corvid RCON Admin");
}
} // namespace

std::optional<QMessageBox::StandardButton> &MessageBoxes::nextAnswer() {
    static std::optional<QMessageBox::StandardButton> answer;
    return answer;
}

MessageBoxes::InputAnswer &MessageBoxes::nextInput() {
    static InputAnswer answer;
    return answer;
}

void MessageBoxes::setNextInput(InputAnswer answer) {
    nextInput() = std::move(answer);
}

void MessageBoxes::setNextAnswer(QMessageBox::StandardButton answer) {
    nextAnswer() = answer;
}

QString MessageBoxes::lastText() {
    return lastShown();
}

bool MessageBoxes::confirm(QWidget *parent, const QString &text) {
    lastShown() = text;
    if (auto answer = nextAnswer()) {
        nextAnswer().reset();
        return *answer == QMessageBox::Yes;
    }
    return QMessageBox::warning(parent, caption(), text, QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) == QMessageBox::Yes;
}

void MessageBoxes::inform(QWidget *parent, const QString &text) {
    lastShown() = text;
    if (nextAnswer()) {
        nextAnswer().reset();
        return;
    }
    QMessageBox::information(parent, caption(), text, QMessageBox::Ok);
}

void MessageBoxes::informScrollable(QWidget *parent, const QString &text, const QString &note) {
    lastShown() = text;
    if (nextAnswer()) {
        nextAnswer().reset();
        return;
    }
    auto *box = new ScrollableTextBox(text, note, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void MessageBoxes::warn(QWidget *parent, const QString &text, const QString &detail) {
    lastShown() = text;
    if (nextAnswer()) {
        nextAnswer().reset();
        return;
    }
    QMessageBox box(QMessageBox::Warning, caption(), text, QMessageBox::Ok, parent);
    box.setInformativeText(detail);
    box.exec();
}

bool MessageBoxes::ask(QWidget *parent, const QString &title, const QString &prompt,
                       QString *text) {
    if (InputAnswer answer = std::exchange(nextInput(), InputAnswer())) {
        const std::optional<QString> typed = answer(title, prompt);
        if (typed)
            *text = *typed;
        return typed.has_value();
    }
    QInputDialog box(parent);
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setInputMode(QInputDialog::TextInput);
    box.setTextValue(*text);
    // The prompt's blanks only space it out on the screen.
    if (auto *field = box.findChild<QLineEdit *>())
        field->setAccessibleName(prompt.trimmed());
    if (box.exec() != QDialog::Accepted)
        return false;
    *text = box.textValue();
    return true;
}
