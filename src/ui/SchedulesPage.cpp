#include "ui/SchedulesPage.h"

#include "commands/ScriptFolder.h"
#include "console/Console.h"
#include "schedules/ScheduleRunner.h"
#include "servers/ServerListModel.h"
#include "ui/MessageBoxes.h"
#include "ui/ScheduleDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
enum Column { NameColumn, ScriptColumn, ServersColumn, WhenColumn, NextColumn, ColumnCount };
}

SchedulesPage::SchedulesPage(Console *console, QWidget *parent)
    : QWidget(parent)
    , m_runner(console->schedules())
    , m_scripts(console->scripts())
    , m_servers(console->servers())
    , m_list(new QTreeWidget(this))
    , m_new(new QPushButton(tr("New"), this))
    , m_edit(new QPushButton(tr("Edit"), this))
    , m_delete(new QPushButton(tr("Delete"), this))
    , m_enable(new QPushButton(tr("Disable"), this))
    , m_dialog(new ScheduleDialog(this)) {
    m_list->setColumnCount(ColumnCount);
    m_list->setHeaderLabels(
        {tr("Schedule"), tr("Script"), tr("Servers"), tr("When"), tr("Next run")});
    m_list->setAccessibleName(tr("Schedules"));
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setAllColumnsShowFocus(true);
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->header()->setStretchLastSection(true);

    auto *buttons = new QVBoxLayout;
    for (QPushButton *button : {m_new, m_edit, m_delete, m_enable})
        buttons->addWidget(button);
    buttons->addStretch(1);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    connect(m_new, &QPushButton::clicked, this, &SchedulesPage::newSchedule);
    connect(m_edit, &QPushButton::clicked, this, &SchedulesPage::editSchedule);
    connect(m_delete, &QPushButton::clicked, this, &SchedulesPage::deleteSchedule);
    connect(m_enable, &QPushButton::clicked, this, &SchedulesPage::toggleSchedule);
    connect(m_list, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            editSchedule();
    });
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &SchedulesPage::updateButtons);
    connect(m_runner, &ScheduleRunner::schedulesChanged, this, &SchedulesPage::refresh);
    m_list->installEventFilter(this);
    refresh();
}

bool SchedulesPage::eventFilter(QObject *watched, QEvent *event) {
    if (watched == m_list && event->type() == QEvent::KeyPress && selectedRow() >= 0) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Delete) {
            deleteSchedule();
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            editSchedule();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SchedulesPage::refresh() {
    const int selected = selectedRow();
    m_list->clear();
    const QVector<Schedule> &schedules = m_runner->schedules();
    for (const Schedule &schedule : schedules) {
        const QDateTime next = m_runner->nextRun(schedule.name);
        QString nextText;
        if (!schedule.enabled)
            nextText = tr("disabled");
        else if (next.isValid())
            nextText = next.toString(QStringLiteral("dd.MM.yyyy HH:mm"));
        else
            nextText = tr("none");
        new QTreeWidgetItem(
            m_list,
            {schedule.name, schedule.script,
             schedule.allServers ? tr("every server") : schedule.servers.join(QStringLiteral(", ")),
             schedule.summary(), nextText});
    }
    if (selected >= 0 && selected < m_list->topLevelItemCount())
        m_list->setCurrentItem(m_list->topLevelItem(selected));
    updateButtons();
}

int SchedulesPage::selectedRow() const {
    const QList<QTreeWidgetItem *> selected = m_list->selectedItems();
    return selected.isEmpty() ? -1 : m_list->indexOfTopLevelItem(selected.constFirst());
}

void SchedulesPage::updateButtons() {
    const int row = selectedRow();
    m_edit->setEnabled(row >= 0);
    m_delete->setEnabled(row >= 0);
    m_enable->setEnabled(row >= 0);
    const bool enabled = row >= 0 && m_runner->schedules().at(row).enabled;
    m_enable->setText(row >= 0 && !enabled ? tr("Enable") : tr("Disable"));
}

void SchedulesPage::newSchedule() {
    openDialog(-1);
}

void SchedulesPage::editSchedule() {
    const int row = selectedRow();
    if (row >= 0)
        openDialog(row);
}

void SchedulesPage::openDialog(int row) {
    QVector<Schedule> schedules = m_runner->schedules();
    QStringList taken;
    for (int i = 0; i < schedules.size(); ++i) {
        if (i != row)
            taken << schedules.at(i).name;
    }
    QStringList servers;
    for (const ServerEntry &entry : m_servers->entries())
        servers << entry.settings.name;
    Schedule start;
    if (row >= 0)
        start = schedules.at(row);
    else if (!m_scripts->names().isEmpty())
        start.script = m_scripts->names().constFirst();
    m_dialog->prepare(start, m_scripts->names(), servers, taken);
    if (m_dialog->exec() != QDialog::Accepted)
        return;
    QString problem;
    const Schedule made = m_dialog->schedule(&problem);
    if (row >= 0)
        schedules[row] = made;
    else
        schedules << made;
    QString error;
    if (!m_runner->save(schedules, &error))
        MessageBoxes::warn(window(), tr("The schedules could not be saved."), error);
}

void SchedulesPage::deleteSchedule() {
    const int row = selectedRow();
    if (row < 0)
        return;
    QVector<Schedule> schedules = m_runner->schedules();
    if (!MessageBoxes::confirm(window(),
                               tr("Delete schedule: `%1\u00b4?").arg(schedules.at(row).name)))
        return;
    schedules.removeAt(row);
    QString error;
    if (!m_runner->save(schedules, &error))
        MessageBoxes::warn(window(), tr("The schedules could not be saved."), error);
}

void SchedulesPage::toggleSchedule() {
    const int row = selectedRow();
    if (row < 0)
        return;
    QVector<Schedule> schedules = m_runner->schedules();
    Schedule &schedule = schedules[row];
    if (!schedule.enabled && !schedule.allServers && schedule.servers.isEmpty()) {
        MessageBoxes::inform(
            window(), tr("Choose the servers of `%1\u00b4 with Edit first.").arg(schedule.name));
        return;
    }
    schedule.enabled = !schedule.enabled;
    QString error;
    if (!m_runner->save(schedules, &error))
        MessageBoxes::warn(window(), tr("The schedules could not be saved."), error);
}
