#pragma once

#include <QWidget>

class Console;

// The " Scripts " tab of the options dialog.
class ScriptsPage final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScriptsPage)

public:
    explicit ScriptsPage(Console *console, QWidget *parent = nullptr);

    // Every time the dialog opens: the script list is read again.
    void refresh();

private:
    Console *m_console;
};
