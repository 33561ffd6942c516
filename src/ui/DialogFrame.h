#pragma once

class QDialog;

// What every dialog of the console looks like from outside: a title bar with a close button
// only (no minimise, no maximise) and never narrower than its title.
class DialogFrame final {
public:
    // `closeButton` false leaves the title bar without any button, as the server dialog has it.
    static void apply(QDialog *dialog, bool closeButton = true);
    // The least width at which the dialog's title shows whole on a title bar.
    static int titleWidth(const QDialog *dialog);
};
