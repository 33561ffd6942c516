#pragma once

#include <QDialog>

class QTextBrowser;

// "Help" (F1): a short page on what the window shows, how to add the first server, the keys and
// where the console keeps its files. It opens over the main window and does not block it.
class HelpPage final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HelpPage)

public:
    // `programFolder` is where the console keeps its files.
    HelpPage(const QString &programFolder, QWidget *parent = nullptr);

    QTextBrowser *browser() const { return m_browser; }
    // The page's text, as HTML; the folder is text, never markup.
    static QString pageHtml(const QString &programFolder);

    void showPage();

private:
    QTextBrowser *m_browser;
};
