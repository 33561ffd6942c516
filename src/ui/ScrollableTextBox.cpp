#include "ui/ScrollableTextBox.h"

#include "ui/DialogFrame.h"
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStringView>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// The box opens wide enough for lines of up to this many characters, and tall enough for this
// many lines; more scroll.
constexpr qsizetype kColumnsWanted = 100;
constexpr qsizetype kLinesWanted = 40;
constexpr int kMinimumWidth = 360;
constexpr int kMinimumHeight = 160;
// Laying out one paragraph costs more than its length: a line of a megabyte would hold the
// window for minutes, so the view breaks longer lines into pieces of this many characters.
constexpr qsizetype kLongestShownLine = 2000;

// The text as the view shows it: LF line breaks (a change log written on Windows has CR LF)
// and no line longer than kLongestShownLine.
QString shownText(const QString &text) {
    QString shown;
    shown.reserve(text.size() + text.size() / kLongestShownLine + 1);
    qsizetype column = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
            continue;
        if (c == QLatin1Char('\n')) {
            column = 0;
        } else if (column == kLongestShownLine) {
            shown += QLatin1Char('\n');
            column = 1;
        } else {
            ++column;
        }
        shown += c;
    }
    return shown;
}
} // namespace

ScrollableTextBox::ScrollableTextBox(const QString &text, const QString &note, QWidget *parent)
    : QDialog(parent)
    , m_note(new QLabel(note, this))
    , m_text(new QPlainTextEdit(this))
    , m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok, this)) {
    setWindowTitle(QCoreApplication::translate("MessageBoxes", "Corvid RCON Admin"));
    DialogFrame::apply(this);
    setSizeGripEnabled(true);
    m_note->setWordWrap(true);
    m_note->setVisible(!note.isEmpty());
    m_text->setReadOnly(true);
    m_text->setAccessibleName(tr("Message text"));
    m_text->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text->setPlainText(shownText(text));
    m_note->setBuddy(m_text);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_note);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    m_buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    m_text->setFocus();
    resize(fittingSize(text));
}

QSize ScrollableTextBox::fittingSize(const QString &text) const {
    // Counting characters, not measuring glyphs: a long text costs one pass over it.
    qsizetype lines = 0;
    qsizetype longest = 0;
    for (qsizetype start = 0;
         start <= text.size() && (lines < kLinesWanted || longest < kColumnsWanted);) {
        qsizetype end = text.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = text.size();
        longest = std::max(longest, end - start);
        ++lines;
        start = end + 1;
    }
    const QFontMetrics metrics(m_text->font());
    const int frame = 2 * (m_text->frameWidth() + int(m_text->document()->documentMargin()) + 4);
    const int scrollBar = m_text->verticalScrollBar()->sizeHint().width();
    const QMargins margins = layout()->contentsMargins();
    const int width = int(std::min(longest, kColumnsWanted)) * metrics.averageCharWidth() + frame +
                      scrollBar + margins.left() + margins.right();
    const int chrome = margins.top() + margins.bottom() + 2 * layout()->spacing() +
                       m_buttons->sizeHint().height() +
                       (m_note->isVisibleTo(this) ? m_note->sizeHint().height() : 0);
    const int height = int(std::min(lines, kLinesWanted)) * metrics.lineSpacing() + frame + chrome;

    QScreen *screen = parentWidget() ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    const QSize available = screen ? screen->availableGeometry().size() : QSize(1024, 768);
    const QSize most(int(available.width() * kScreenShare), int(available.height() * kScreenShare));
    return QSize(std::clamp(width, std::min(kMinimumWidth, most.width()), most.width()),
                 std::clamp(height, std::min(kMinimumHeight, most.height()), most.height()));
}
