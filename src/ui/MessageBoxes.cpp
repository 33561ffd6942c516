#include "ui/MessageBoxes.h"

#include <QCoreApplication>

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
