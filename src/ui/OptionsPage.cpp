#include "ui/OptionsPage.h"

OptionsPage::OptionsPage(Console *console, QWidget *parent)
    : QWidget(parent)
    , m_console(console) {}

void OptionsPage::refresh() {}
