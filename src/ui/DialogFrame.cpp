#include "ui/DialogFrame.h"

#include <QDialog>
#include <QFontMetrics>

namespace {
// The title bar's buttons and margins beside the title.
constexpr int kTitleBarExtra = 120;
} // namespace

void DialogFrame::apply(QDialog *dialog, bool closeButton) {
    Qt::WindowFlags flags = (dialog->windowFlags() & Qt::WindowStaysOnTopHint) | Qt::Dialog |
                            Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (closeButton)
        flags |= Qt::WindowCloseButtonHint;
    dialog->setWindowFlags(flags);
    dialog->setMinimumWidth(std::max(dialog->minimumWidth(), titleWidth(dialog)));
}

int DialogFrame::titleWidth(const QDialog *dialog) {
    // The desktop's title font is not known here; the application's bold font comes close.
    QFont font = dialog->font();
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(dialog->windowTitle()) + kTitleBarExtra;
}
