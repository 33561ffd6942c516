#include "ui/HelpPage.h"

#include "ui/DialogFrame.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

HelpPage::HelpPage(const QString &programFolder, QWidget *parent)
    : QDialog(parent)
    , m_browser(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("helpPage"));
    setWindowTitle(tr("Corvid RCON Admin - Help"));
    m_browser->setAccessibleName(tr("Help"));
    m_browser->setOpenExternalLinks(false);
    m_browser->setHtml(pageHtml(programFolder));
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(tr("Close"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_browser, 1);
    layout->addWidget(buttons);
    resize(620, 560);
    DialogFrame::apply(this);
}

void HelpPage::showPage() {
    if (const QWidget *main = parentWidget() ? parentWidget()->window() : nullptr)
        move(main->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    show();
    raise();
    activateWindow();
}

QString HelpPage::pageHtml(const QString &programFolder) {
    const QString folder = QDir::toNativeSeparators(programFolder).toHtmlEscaped();
    return tr("<h2>Corvid RCON Admin</h2>"
              "<p>The console watches your game servers over RCON, without end: who is online, "
              "who joined and left, their chat, and the commands you send them.</p>"
              "<h3>Adding the first server</h3>"
              "<p>Press <b>Ctrl+N</b> (<i>Server &rarr; New server</i>), or the <b>Add server…</b> "
              "button of the empty list. Type the server's name, its host (name or IP address), "
              "its RCON port (1 to 65535) and its RCON password, then <b>OK</b>. The server shows "
              "<i>Queue</i> until its first visit, then <i>Online</i> with its player count, or "
              "why "
              "it cannot be reached.</p>"
              "<p>No game server at hand? Start <code>kvd --demo</code>: a console of its own "
              "against simulated servers, which leaves your files alone.</p>"
              "<h3>What the window shows</h3>"
              "<ul>"
              "<li><b>Server list</b> (top left): your servers, their players and status. "
              "<b>Enter</b> or a double-click opens a server's chat; <b>F2</b> edits it, "
              "<b>Delete</b> deletes it; the Menu key or a right-click opens its menu.</li>"
              "<li><b>Command queue</b> (middle left): commands and script lines waiting for their "
              "time.</li>"
              "<li><b>Players</b> (bottom left): everyone online on any of your servers, with the "
              "time online.</li>"
              "<li><b>Chat</b> (right): the open server's chat or game log; write chat lines and "
              "broadcasts below it.</li>"
              "<li><b>Program logfile</b> and <b>Statistics</b> (bottom right): every join, "
              "departure and status change, searched with <b>Ctrl+F</b> (Escape clears the "
              "search), and the play time per player built from them.</li>"
              "</ul>"
              "<h3>Where the files are</h3>"
              "<p>Everything lives in <code>%1</code>: <code>server.dat</code> (the servers), "
              "<code>app.ini</code> (settings and layout), <code>logs/kvd.log</code> (the program "
              "log), <code>logs/&lt;server&gt;.log</code> (each server's chat) and "
              "<code>scripts/</code> (scripts and the command queue).</p>"
              "<p><b>Ctrl+Q</b> ends the console.</p>")
        .arg(folder);
}
