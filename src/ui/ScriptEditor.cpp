#include "ui/ScriptEditor.h"

#include "commands/ScriptFolder.h"
#include "ui/DialogFrame.h"
#include "ui/MessageBoxes.h"
#include "ui/UrlOpener.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

ScriptEditor::ScriptEditor(ScriptFolder *scripts, QWidget *parent)
    : QDialog(parent)
    , m_scripts(scripts)
    , m_name(new QLineEdit(this))
    , m_text(new QPlainTextEdit(this))
    , m_help(new QLabel(helpText(), this))
    , m_link(new QLabel(this))
    , m_ok(new QPushButton(tr("Ok"), this))
    , m_cancel(new QPushButton(tr("Cancel"), this)) {
    setWindowTitle(tr("Script editor"));
    DialogFrame::apply(this);
    setModal(true);

    auto *nameLabel = new QLabel(tr("Scriptname:"), this);
    nameLabel->setBuddy(m_name);
    auto *nameRow = new QHBoxLayout;
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(m_name, 1);

    // Long command lines scroll sideways instead of breaking into lines that read as two.
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setAccessibleName(tr("Script"));
    m_text->setTabChangesFocus(true);

    m_help->setTextFormat(Qt::PlainText);
    m_help->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_link->setTextFormat(Qt::RichText);
    m_link->setText(
        QStringLiteral("<a href=\"%1\">%2</a>")
            .arg(consoleCommandsPage().toString(QUrl::FullyEncoded), tr("Wiki_console_commands")));
    m_link->setTextInteractionFlags(Qt::LinksAccessibleByKeyboard | Qt::LinksAccessibleByMouse);
    m_link->setOpenExternalLinks(false);
    m_link->setAccessibleName(tr("Wiki_console_commands"));
    m_link->setToolTip(consoleCommandsPage().toString());
    connect(m_link, &QLabel::linkActivated, this,
            [](const QString &url) { UrlOpener::open(QUrl(url)); });

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_link);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(nameRow);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_help);
    layout->addLayout(buttons);
    resize(520, 440);

    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &ScriptEditor::save);
    connect(m_cancel, &QPushButton::clicked, this, &ScriptEditor::reject);
}

QString ScriptEditor::helpText() {
    return QStringList{tr("Commands:   wait:<sec>    msg:<text>    cmd:<rconcommand>"),
                       tr("Every line a command.   Example:"),
                       QString(),
                       QStringLiteral("msg:Hello all, server will be saved now"),
                       QStringLiteral("wait:15"),
                       QStringLiteral("cmd:saveworld"),
                       QString()}
        .join(QLatin1Char('\n'));
}

QUrl ScriptEditor::consoleCommandsPage() {
    return QUrl(QStringLiteral("https://ark.wiki.gg/wiki/Console_commands"));
}

bool ScriptEditor::editNew() {
    m_name->clear();
    m_text->clear();
    m_openedName.clear();
    m_encoding = ScriptFile::Encoding::Ansi;
    return runEditor();
}

bool ScriptEditor::editScript(const QString &name) {
    ScriptFile script;
    QString error;
    if (!m_scripts->read(name, &script, &error)) {
        MessageBoxes::warn(parentWidget(), tr("The script `%1\u00b4 cannot be read.").arg(name),
                           error);
        return false;
    }
    m_name->setText(name);
    m_text->setPlainText(script.text);
    m_openedName = name;
    m_encoding = script.encoding;
    return runEditor();
}

bool ScriptEditor::runEditor() {
    m_text->moveCursor(QTextCursor::Start);
    if (m_name->text().isEmpty())
        m_name->setFocus();
    else
        m_text->setFocus();
    return exec() == QDialog::Accepted;
}

void ScriptEditor::save() {
    const QString name = m_name->text();
    ScriptFile script;
    script.text = m_text->toPlainText();
    script.encoding = m_encoding;
    QString error;
    ScriptFolder::SaveResult result = m_scripts->save(m_openedName, name, script, false, &error);
    if (result == ScriptFolder::SaveResult::NameExists) {
        if (!MessageBoxes::confirm(this, tr("Scriptname already exists, overwrite?")))
            return;
        result = m_scripts->save(m_openedName, name, script, true, &error);
    }
    switch (result) {
    case ScriptFolder::SaveResult::Saved:
        m_openedName.clear();
        accept();
        return;
    case ScriptFolder::SaveResult::InvalidName:
        MessageBoxes::inform(this, tr("Invalid scriptname!"));
        return;
    case ScriptFolder::SaveResult::NameExists:
    case ScriptFolder::SaveResult::Failed:
        MessageBoxes::warn(this, tr("The script `%1\u00b4 could not be saved.").arg(name), error);
        return;
    }
}

void ScriptEditor::reject() {
    m_openedName.clear();
    QDialog::reject();
}
