#pragma once

#include <QDialog>

class QDialogButtonBox;
class QLabel;
class QPlainTextEdit;

// An information box for a text of any length (a change log): the text in a read-only,
// scrollable view, an optional note above it, and OK. It opens at the size its text asks for,
// but never larger than the screen it is shown on, and can be resized; a long text is laid
// out as it scrolls into view, so showing it costs little more than one screenful. Lines of
// more than 2000 characters are shown in pieces of that length.
class ScrollableTextBox final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScrollableTextBox)

public:
    ScrollableTextBox(const QString &text, const QString &note, QWidget *parent = nullptr);

    QPlainTextEdit *textView() const { return m_text; }
    QLabel *noteLabel() const { return m_note; }
    QDialogButtonBox *buttons() const { return m_buttons; }

    // The share of the screen's free area the box may take at most, in each direction.
    static constexpr double kScreenShare = 0.8;

private:
    QSize fittingSize(const QString &text) const;

    QLabel *m_note;
    QPlainTextEdit *m_text;
    QDialogButtonBox *m_buttons;
};
