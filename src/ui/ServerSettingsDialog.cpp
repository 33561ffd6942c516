#include "ui/ServerSettingsDialog.h"

#include "console/ServerEditor.h"
#include "servers/ServerSettings.h"
#include "servers/ServerSettingsRules.h"
#include "ui/DialogFrame.h"
#include "ui/MessageBoxes.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// One "*" per character of the password. A style sheet cannot say so for one field while the
// application has a style sheet of its own, so the field gets a style that does.
class AsteriskStyle final : public QProxyStyle {
public:
    explicit AsteriskStyle(QObject *parent) { setParent(parent); }
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returned) const override {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returned);
    }
};

// Wide enough for the longest refusal, so that the dialog keeps its size while one is typed.
constexpr int kMessageWidth = 150;
} // namespace

QLineEdit *ServerSettingsDialog::addField(ServerField field, const QString &caption) {
    const int row = int(field);
    auto *label = new QLabel(caption, this);
    auto *edit = new QLineEdit(this);
    // Assistive technology names the field after its label.
    label->setBuddy(edit);
    auto *message = new QLabel(this);
    message->setObjectName(QStringLiteral("fieldMessage"));
    message->setTextFormat(Qt::PlainText);
    message->setStyleSheet(QStringLiteral("color: #ff6b5a;"));
    message->setMinimumWidth(kMessageWidth);
    m_grid->addWidget(label, row, 0);
    m_grid->addWidget(edit, row, 1);
    m_grid->addWidget(message, row, 2);
    m_fields[row] = {edit, message};
    connect(edit, &QLineEdit::textEdited, this, [this, field] { showFieldMessage(field); });
    return edit;
}

ServerSettingsDialog::ServerSettingsDialog(ServerEditor *editor, QWidget *parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
    , m_editor(editor) {
    setObjectName(QStringLiteral("serverSettings"));
    setWindowTitle(tr("Server settings"));
    DialogFrame::apply(this, false);
    setWindowModality(Qt::ApplicationModal);

    auto *grid = new QGridLayout;
    m_grid = grid;
    m_name = addField(ServerField::Name, tr(" Name:"));
    m_host = addField(ServerField::Host, tr(" Host:"));
    m_port = addField(ServerField::Port, tr(" RCON-Port:"));
    m_password = addField(ServerField::Password, tr(" Serverpassword:"));
    m_name->setMaxLength(ServerSettingsRules::kNameMaxLength);
    m_password->setMaxLength(ServerSettingsRules::kPasswordMaxLength);
    // A child made after the field is deleted after it: the field never draws with a dead style.
    m_password->setStyle(new AsteriskStyle(this));
    m_password->setEchoMode(QLineEdit::Password);
    m_host->setMinimumWidth(240);

    m_ok = new QPushButton(tr("OK"), this);
    m_cancel = new QPushButton(tr("Abbrechen"), this);
    m_ok->setDefault(true);
    m_ok->setAutoDefault(true);
    m_cancel->setAutoDefault(false);
    connect(m_ok, &QPushButton::clicked, this, &ServerSettingsDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &ServerSettingsDialog::reject);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

ServerSettingsDialog::~ServerSettingsDialog() {
    // Never leave the poll cycle held behind a dialog that is gone.
    if (isVisible())
        m_editor->dialogClosed();
}

QString ServerSettingsDialog::fieldMessage(ServerField field) const {
    return m_fields[int(field)].message->text();
}

void ServerSettingsDialog::showFieldMessage(ServerField field, ServerSettingsRefusal refusal) {
    const Field &shown = m_fields[int(field)];
    if (refusal == ServerSettingsRefusal::None)
        refusal = ServerSettingsRules::checkField(field, shown.edit->text());
    const QString text = ServerSettingsRules::refusalText(refusal);
    shown.message->setText(text);
    // A screen reader reads the refusal with the field.
    shown.edit->setAccessibleDescription(text);
}

void ServerSettingsDialog::clearFieldMessages() {
    for (const Field &field : m_fields) {
        field.message->clear();
        field.edit->setAccessibleDescription(QString());
    }
}

void ServerSettingsDialog::openForAdd() {
    m_editedName.clear();
    setFields({});
    openDialog();
}

bool ServerSettingsDialog::openForEdit(const QString &name) {
    const std::optional<ServerSettings> settings = m_editor->settingsOf(name);
    if (!settings)
        return false;
    m_editedName = name;
    setFields(*settings);
    openDialog();
    return true;
}

void ServerSettingsDialog::openDialog() {
    clearFieldMessages();
    m_editor->dialogOpened();
    adjustSize();
    if (const QWidget *main = parentWidget() ? parentWidget()->window() : nullptr)
        move(main->frameGeometry().center() - QPoint(width() / 2, height() / 2));
    show();
    raise();
    activateWindow();
    m_name->setFocus();
}

ServerSettings ServerSettingsDialog::fields() const {
    return {m_name->text(), m_host->text(), m_port->text(), m_password->text()};
}

void ServerSettingsDialog::setFields(const ServerSettings &settings) {
    m_name->setText(settings.name);
    m_host->setText(settings.host);
    m_port->setText(settings.port);
    m_password->setText(settings.password);
}

void ServerSettingsDialog::accept() {
    const ServerEditor::Result result =
        isEditMode() ? m_editor->edit(m_editedName, fields()) : m_editor->add(fields());
    if (result.outcome == ServerEditor::Outcome::Refused) {
        for (const ServerField field :
             {ServerField::Name, ServerField::Host, ServerField::Port, ServerField::Password})
            showFieldMessage(field);
        if (result.refusal == ServerSettingsRefusal::ServernameExists)
            showFieldMessage(ServerField::Name, result.refusal);
        MessageBoxes::inform(this, ServerSettingsRules::refusalText(result.refusal));
        if (result.refusal == ServerSettingsRefusal::InvalidPort)
            m_port->setFocus();
        return;
    }
    QDialog::accept();
}

void ServerSettingsDialog::done(int result) {
    // OK and cancel both leave the dialog empty and in add mode.
    setFields({});
    clearFieldMessages();
    m_editedName.clear();
    QDialog::done(result);
    m_editor->dialogClosed();
}
