#include "ui/ScriptSelectionDialog.h"

#include "base/Clock.h"
#include "commands/QueueTime.h"
#include "commands/ScriptSchedule.h"
#include "ui/DialogFrame.h"
#include "ui/MessageBoxes.h"

#include <QButtonGroup>
#include <QDateEdit>
#include <QFocusEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QTimer>
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
    , m_minutesLabel(new QLabel(tr("In:"), this))
    , m_minutes(new QSpinBox(this))
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
    m_minutesLabel->setBuddy(m_minutes);
    m_minutes->setAccessibleName(tr("In minutes"));
    // Up to a week ahead.
    m_minutes->setRange(0, 7 * 24 * 60);
    m_minutes->setSuffix(tr(" minutes"));

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
    form->addRow(m_minutesLabel, m_minutes);

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
    connect(m_minutes, &QSpinBox::valueChanged, this, &ScriptSelectionDialog::minutesChanged);
    connect(m_date, &QDateEdit::dateChanged, this, &ScriptSelectionDialog::followDateTime);
    connect(m_time, &QTimeEdit::timeChanged, this, &ScriptSelectionDialog::followDateTime);
    // However the time field gets the focus, typed digits go into its hours first.
    m_time->installEventFilter(this);
}

bool ScriptSelectionDialog::eventFilter(QObject *watched, QEvent *event) {
    // A click leaves the cursor where it was clicked; any other way in selects the hours, after
    // the field's own focus handling, which may leave no section selected.
    if (watched == m_time && event->type() == QEvent::FocusIn &&
        static_cast<QFocusEvent *>(event)->reason() != Qt::MouseFocusReason) {
        QTimer::singleShot(0, m_time, [time = m_time] {
            if (time->hasFocus())
                time->setSelectedSection(QDateTimeEdit::HourSection);
        });
    }
    return QDialog::eventFilter(watched, event);
}

void ScriptSelectionDialog::prepare(const QString &server, const QString &scriptName,
                                    const QString &scriptText) {
    m_serverName = server;
    m_scriptName = scriptName;
    m_text = scriptText;
    m_server->setText(server);
    m_script->setText(scriptName);
    // "Later" starts a minute ahead: the current time would already be past when "Ok" is pressed.
    const QDateTime later = Clock::now().addSecs(60);
    m_date->setDate(later.date());
    m_time->setTime(later.time());
    const QSignalBlocker quiet(m_start);
    m_now->setChecked(true);
    for (QWidget *widget : std::initializer_list<QWidget *>{m_dateLabel, m_date, m_timeLabel,
                                                            m_time, m_minutesLabel, m_minutes})
        widget->hide();
    m_ok->setFocus();
}

bool ScriptSelectionDialog::run(const QString &server, const QString &scriptName,
                                const QString &scriptText) {
    prepare(server, scriptName, scriptText);
    return exec() == QDialog::Accepted;
}

void ScriptSelectionDialog::choiceChanged() {
    const bool later = m_later->isChecked();
    for (QWidget *widget : std::initializer_list<QWidget *>{m_dateLabel, m_date, m_timeLabel,
                                                            m_time, m_minutesLabel, m_minutes})
        widget->setVisible(later);
    if (!later) {
        m_ok->setFocus();
        return;
    }
    // "Later" wants a time: the field takes the digits typed next.
    m_time->setFocus(Qt::OtherFocusReason);
    m_time->setSelectedSection(QDateTimeEdit::HourSection);
    followDateTime();
}

void ScriptSelectionDialog::minutesChanged(int minutes) {
    const QDateTime at = Clock::now().addSecs(60 * qint64(minutes));
    const QSignalBlocker quietDate(m_date);
    const QSignalBlocker quietTime(m_time);
    m_date->setDate(at.date());
    m_time->setTime(at.time());
}

void ScriptSelectionDialog::followDateTime() {
    // The minutes field shows how far ahead the chosen time is, in whole minutes begun.
    const qint64 seconds = Clock::now().secsTo(QDateTime(m_date->date(), m_time->time()));
    const QSignalBlocker quiet(m_minutes);
    m_minutes->setValue(int(qBound(qint64(0), (seconds + 59) / 60, qint64(m_minutes->maximum()))));
}

QString ScriptSelectionDialog::queuedLine(const QString &scriptName, const QString &server,
                                          const QDateTime &start, int commands) {
    const QString at = start.date() == Clock::today() ? start.toString(QStringLiteral("HH:mm:ss"))
                                                      : QueueTime::format(start);
    const QString counted =
        commands == 1 ? QStringLiteral("1 command") : QStringLiteral("%1 commands").arg(commands);
    return QStringLiteral("Script queued: `") + scriptName + QStringLiteral("´ on `") + server +
           QStringLiteral("´ at ") + at + QStringLiteral(", ") + counted;
}

QDateTime ScriptSelectionDialog::startTime() const {
    if (m_now->isChecked())
        return Clock::now();
    return QDateTime(m_date->date(), m_time->time());
}

void ScriptSelectionDialog::confirm() {
    const QDateTime start = startTime();
    const ScriptSchedule::Result result =
        ScriptSchedule::queueScript(m_queue, m_scriptName, m_text, start, m_serverName);
    if (!result.ok()) {
        MessageBoxes::inform(this, result.message);
        return;
    }
    emit message(queuedLine(m_scriptName, m_serverName, start, int(result.entries.size())));
    accept();
}
