#pragma once

#include <QMessageBox>

#include <functional>
#include <optional>

// Refusals are information boxes with OK; confirmations are warning boxes with Yes and No;
// failures are warning boxes with OK; questions for a text are input boxes with OK and Cancel.
// Every text shows as plain text, never as markup: names in it may hold anything. Tests answer
// the next box in advance so that no modal dialog waits for a person.
class MessageBoxes final {
public:
    static bool confirm(QWidget *parent, const QString &text);
    static void inform(QWidget *parent, const QString &text);
    // Information of any length (a change log) in a scrollable box that fits the screen, with
    // `note` above it when given. The box opens over `parent` and returns at once; it goes when
    // closed.
    static void informScrollable(QWidget *parent, const QString &text,
                                 const QString &note = QString());
    // A warning with OK; `detail`, when given, stands below the text.
    static void warn(QWidget *parent, const QString &text, const QString &detail = QString());

    // An input box titled `title` with `prompt` over a field that starts with `*text`: true with
    // the typed text in `*text` on OK, false on Cancel.
    static bool ask(QWidget *parent, const QString &title, const QString &prompt, QString *text);

    static void setNextAnswer(QMessageBox::StandardButton answer);
    static QString lastText();

    // Answers the next input box in its place: given its title and prompt, the text typed, or no
    // value for Cancel.
    using InputAnswer =
        std::function<std::optional<QString>(const QString &title, const QString &prompt)>;
    static void setNextInput(InputAnswer answer);

private:
    static std::optional<QMessageBox::StandardButton> &nextAnswer();
    static InputAnswer &nextInput();
};
