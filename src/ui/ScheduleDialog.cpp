#include "ui/ScheduleDialog.h"

#include "commands/ScriptFolder.h"
#include "ui/MessageBoxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

ScheduleDialog::ScheduleDialog(QWidget *parent)
    : QDialog(parent)
    , m_name(new QLineEdit(this))
    , m_script(new QComboBox(this))
    , m_allServers(new QCheckBox(tr("Every server"), this))
    , m_servers(new QListWidget(this))
    , m_at(new QTimeEdit(this))
    , m_every(new QLineEdit(this))
    , m_enabled(new QCheckBox(tr("Enabled"), this))
    , m_ok(new QPushButton(tr("Ok"), this))
    , m_cancel(new QPushButton(tr("Cancel"), this)) {
    setWindowTitle(tr("Schedule"));
    setModal(true);

    auto *form = new QFormLayout;
    auto addRow = [this, form](const QString &caption, QWidget *field, QLayout *row = nullptr) {
        auto *label = new QLabel(caption, this);
        label->setBuddy(field);
        if (row)
            form->addRow(label, row);
        else
            form->addRow(label, field);
        field->setAccessibleName(
            QString(caption).remove(QLatin1Char('&')).remove(QLatin1Char(':')));
    };
    addRow(tr("&Name:"), m_name);
    addRow(tr("S&cript:"), m_script);
    auto *servers = new QVBoxLayout;
    servers->addWidget(m_allServers);
    servers->addWidget(m_servers);
    addRow(tr("Ser&vers:"), m_servers, servers);
    m_allServers->setAccessibleName(tr("Every server"));
    m_servers->setMaximumHeight(120);
    m_at->setDisplayFormat(QStringLiteral("HH:mm"));
    addRow(tr("&At:"), m_at);

    auto *days = new QHBoxLayout;
    const QLocale locale;
    for (int day = 1; day <= 7; ++day) {
        m_days[day - 1] = new QCheckBox(locale.dayName(day, QLocale::ShortFormat), this);
        m_days[day - 1]->setAccessibleName(locale.dayName(day, QLocale::LongFormat));
        days->addWidget(m_days[day - 1]);
    }
    addRow(tr("&Days:"), m_days[0], days);
    m_days[0]->setAccessibleName(locale.dayName(1, QLocale::LongFormat));
    m_every->setPlaceholderText(tr("30m or 6h; empty: once on each chosen day"));
    m_every->setToolTip(tr("An interval from the time above: 30m, 6h. The days are then ignored."));
    addRow(tr("&Every:"), m_every);
    form->addRow(QString(), m_enabled);
    m_enabled->setAccessibleName(tr("Enabled"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons);

    m_ok->setDefault(true);
    connect(m_ok, &QPushButton::clicked, this, &ScheduleDialog::confirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_allServers, &QCheckBox::toggled, m_servers, &QWidget::setDisabled);
    connect(m_every, &QLineEdit::textChanged, this, [this](const QString &text) {
        for (QCheckBox *box : m_days)
            box->setEnabled(text.trimmed().isEmpty());
    });
}

void ScheduleDialog::prepare(const Schedule &schedule, const QStringList &scripts,
                             const QStringList &servers, const QStringList &takenNames) {
    m_taken = takenNames;
    m_name->setText(schedule.name);
    m_script->clear();
    m_script->addItems(scripts);
    if (!schedule.script.isEmpty() && !scripts.contains(schedule.script))
        m_script->addItem(schedule.script); // a script that is gone stays visible as chosen
    m_script->setCurrentIndex(m_script->findText(schedule.script));
    m_allServers->setChecked(schedule.allServers);
    m_servers->setEnabled(!schedule.allServers);
    m_servers->clear();
    QStringList names = servers;
    for (const QString &name : schedule.servers) {
        if (!names.contains(name))
            names << name;
    }
    for (const QString &name : std::as_const(names)) {
        auto *item = new QListWidgetItem(name, m_servers);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(schedule.servers.contains(name) ? Qt::Checked : Qt::Unchecked);
    }
    m_at->setTime(schedule.at);
    for (int day = 1; day <= 7; ++day)
        m_days[day - 1]->setChecked((schedule.days >> (day - 1)) & 1);
    m_every->setText(schedule.everyText());
    m_enabled->setChecked(schedule.enabled);
    m_name->setFocus();
}

Schedule ScheduleDialog::schedule(QString *problem) const {
    Schedule result;
    problem->clear();
    result.name = m_name->text().trimmed();
    result.script = m_script->currentText();
    result.allServers = m_allServers->isChecked();
    if (!result.allServers) {
        for (int row = 0; row < m_servers->count(); ++row) {
            if (m_servers->item(row)->checkState() == Qt::Checked)
                result.servers << m_servers->item(row)->text();
        }
    }
    result.at = QTime(m_at->time().hour(), m_at->time().minute());
    result.days = 0;
    for (int day = 1; day <= 7; ++day) {
        if (m_days[day - 1]->isChecked())
            result.days |= 1 << (day - 1);
    }
    result.enabled = m_enabled->isChecked();
    const bool everyOk = Schedule::parseEvery(m_every->text(), &result.everyMinutes);
    bool taken = false;
    for (const QString &name : m_taken)
        taken = taken || name.compare(result.name, Qt::CaseInsensitive) == 0;
    if (!Schedule::isValidName(result.name))
        *problem = tr("A schedule needs a name without [ and ].");
    else if (taken)
        *problem = tr("A schedule named `%1\u00b4 exists already.").arg(result.name);
    else if (!ScriptFolder::isValidName(result.script))
        *problem = tr("Choose the script the schedule runs.");
    else if (!result.allServers && result.servers.isEmpty() && result.enabled)
        *problem = tr("Choose the servers the schedule runs on, or every server.");
    else if (!everyOk)
        *problem = tr("\"%1\" is not an interval like 30m or 6h under a day.").arg(m_every->text());
    else if (result.everyMinutes == 0 && result.days == 0)
        *problem = tr("Choose the days the schedule runs on.");
    if (result.days == 0)
        result.days = Schedule::kEveryDay; // an interval ignores the days; the file wants some
    return result;
}

void ScheduleDialog::confirm() {
    QString problem;
    schedule(&problem);
    if (!problem.isEmpty()) {
        MessageBoxes::inform(this, problem);
        return;
    }
    accept();
}
