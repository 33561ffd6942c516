#include "ui/MessageBoxes.h"

#include "ui/DialogFrame.h"
#include "ui/ScrollableTextBox.h"

#include <QCoreApplication>
#include <QInputDialog>
#include <QLabel>
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

// Every box shows its texts as they are: a player or server name in one may hold anything,
// markup included, and must never rewrite the question around it.
int runBox(QMessageBox::Icon icon, QWidget *parent, const QString &text,
           QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton,
           const QString &detail = QString()) {
    QMessageBox box(icon, caption(), text, buttons, parent);
    box.setDefaultButton(defaultButton);
    box.setInformativeText(detail);
    box.setTextFormat(Qt::PlainText);
    // Not every Qt version passes the format on to the label of the detail.
    if (auto *informative = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
        informative->setTextFormat(Qt::PlainText);
    return box.exec();
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
    return runBox(QMessageBox::Warning, parent, text, QMessageBox::Yes | QMessageBox::No,
                  QMessageBox::No) == QMessageBox::Yes;
}

void MessageBoxes::inform(QWidget *parent, const QString &text) {
    lastShown() = text;
    if (nextAnswer()) {
        nextAnswer().reset();
        return;
    }
    runBox(QMessageBox::Information, parent, text, QMessageBox::Ok, QMessageBox::Ok);
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
    runBox(QMessageBox::Warning, parent, text, QMessageBox::Ok, QMessageBox::Ok, detail);
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
    DialogFrame::apply(&box);
    box.setInputMode(QInputDialog::TextInput);
    box.setTextValue(*text);
    // The prompt is shown as it is, like every box's text.
    if (auto *label = box.findChild<QLabel *>())
        label->setTextFormat(Qt::PlainText);
    // The prompt's blanks only space it out on the screen.
    if (auto *field = box.findChild<QLineEdit *>()) {
        field->setAccessibleName(prompt.trimmed());
        // The box's layout decides its width: the field makes it as wide as the title.
        field->setMinimumWidth(DialogFrame::titleWidth(&box));
    }
    if (box.exec() != QDialog::Accepted)
        return false;
    *text = box.textValue();
    return true;
}
