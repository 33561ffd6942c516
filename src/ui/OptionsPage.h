#pragma once

#include <QWidget>

class Console;

// The " Options " tab of the options dialog.
class OptionsPage final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OptionsPage)

public:
    explicit OptionsPage(Console *console, QWidget *parent = nullptr);

    // Every time the dialog opens: the controls show the console's current values.
    void refresh();

private:
    Console *m_console;
};
