#include "ui/ScriptsPage.h"

ScriptsPage::ScriptsPage(Console *console, QWidget *parent)
    : QWidget(parent)
    , m_console(console) {}

void ScriptsPage::refresh() {}
