#include "ui/ScriptSelectionDialog.h"

#include "base/Clock.h"
#include "commands/ScriptSchedule.h"
#include "ui/DialogFrame.h"
#include "ui/MessageBoxes.h"

#include <QButtonGroup>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimeEdit>
#include <QVBoxLayout>

ScriptSelectionDialog::ScriptSelectionDialog(CommandQueue *queue, QWidget *parent)
    : QDialog(parent)
    , m_queue(queue)
    , m_server(new QLabel(this))
    , m_script(new QLabel(this))
    , m_start(new QButtonGroup(this))
    , m_now(new QRadioButton(tr("Now"), this))
    , m_later(new QRadioButton(tr("Later"), this))
    , m_dateLabel(new QLabel(tr("Date:"), this))
    , m_date(new QDateEdit(this))
    , m_timeLabel(new QLabel(tr("Time:"), this))
    , m_time(new QTimeEdit(this))
    , m_ok(new QPushButton(tr("Ok"), this))
    , m_cancel(new QPushButton(tr("Cancel"), this)) {
    setWindowTitle(tr("Script selection"));
    DialogFrame::apply(this);
    setModal(true);

    auto *serverCaption = new QLabel(tr("Server:"), this);
    auto *scriptCaption = new QLabel(tr("Script:"), this);
    auto *startCaption = new QLabel(tr("Start:"), this);
    // The names stand out from their captions, and a screen reader hears them with the caption.
    for (QLabel *value : {m_server, m_script}) {
        QFont bold = value->font();
        bold.setBold(true);
        value->setFont(bold);
        value->setTextFormat(Qt::PlainText);
        value->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
        value->setFocusPolicy(Qt::NoFocus);
    }
    serverCaption->setBuddy(m_server);
    scriptCaption->setBuddy(m_script);
    m_server->setAccessibleName(tr("Server"));
    m_script->setAccessibleName(tr("Script"));
    startCaption->setBuddy(m_now);
    m_now->setAccessibleDescription(tr("Start"));
    m_later->setAccessibleDescription(tr("Start"));
    m_dateLabel->setBuddy(m_date);
    m_timeLabel->setBuddy(m_time);

    m_start->addButton(m_now);
    m_start->addButton(m_later);
    m_date->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    m_date->setCalendarPopup(true);
    m_time->setDisplayFormat(QStringLiteral("HH:mm:ss"));

    auto *choices = new QHBoxLayout;
    choices->addWidget(m_now);
    choices->addWidget(m_later);
    choices->addStretch(1);

    auto *form = new QFormLayout;
    form->addRow(serverCaption, m_server);
    form->addRow(scriptCaption, m_script);
    form->addRow(startCaption, choices);
    form->addRow(m_dateLabel, m_date);
    form->addRow(m_timeLabel, m_time);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addStretch(1);
    layout->addLayout(buttons);
    // The dialog follows the date and time rows as they come and go.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_server->setMinimumWidth(220);

    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &ScriptSelectionDialog::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_start, &QButtonGroup::buttonToggled, this, [this](QAbstractButton *, bool checked) {
        if (checked)
            choiceChanged();
    });
}

void ScriptSelectionDialog::prepare(const QString &server, const QString &scriptName,
                                    const QString &scriptText) {
    m_serverName = server;
    m_scriptName = scriptName;
    m_text = scriptText;
    m_server->setText(server);
    m_script->setText(scriptName);
    const QDateTime now = Clock::now();
    m_date->setDate(now.date());
    m_time->setTime(now.time());
    const QSignalBlocker quiet(m_start);
    m_now->setChecked(true);
    m_dateLabel->hide();
    m_date->hide();
    m_timeLabel->hide();
    m_time->hide();
    m_ok->setFocus();
}

bool ScriptSelectionDialog::run(const QString &server, const QString &scriptName,
                                const QString &scriptText) {
    prepare(server, scriptName, scriptText);
    return exec() == QDialog::Accepted;
}

void ScriptSelectionDialog::choiceChanged() {
    const bool later = m_later->isChecked();
    m_dateLabel->setVisible(later);
    m_date->setVisible(later);
    m_timeLabel->setVisible(later);
    m_time->setVisible(later);
    m_ok->setFocus();
}

QDateTime ScriptSelectionDialog::startTime() const {
    if (m_now->isChecked())
        return Clock::now();
    return QDateTime(m_date->date(), m_time->time());
}

void ScriptSelectionDialog::confirm() {
    const ScriptSchedule::Result result =
        ScriptSchedule::queueScript(m_queue, m_scriptName, m_text, startTime(), m_serverName);
    if (!result.ok()) {
        MessageBoxes::inform(this, result.message);
        return;
    }
    accept();
}
