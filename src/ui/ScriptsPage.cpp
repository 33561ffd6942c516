#include "ui/ScriptsPage.h"

#include "commands/ScriptFolder.h"
#include "console/Console.h"
#include "ui/MessageBoxes.h"
#include "ui/ScriptEditor.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int kColumnWidth = 230;
}

ScriptsPage::ScriptsPage(Console *console, QWidget *parent)
    : QWidget(parent)
    , m_scripts(console->scripts())
    , m_list(new QTreeWidget(this))
    , m_new(new QPushButton(tr("New"), this))
    , m_copy(new QPushButton(tr("Copy"), this))
    , m_edit(new QPushButton(tr("Edit"), this))
    , m_delete(new QPushButton(tr("Delete"), this))
    , m_editor(new ScriptEditor(console->scripts(), this)) {
    m_list->setColumnCount(1);
    m_list->setHeaderLabels({tr("Script")});
    m_list->setAccessibleName(tr("Script"));
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QHeaderView *header = m_list->header();
    header->setStretchLastSection(false);
    header->setSectionsClickable(false);
    header->setSectionResizeMode(0, QHeaderView::Fixed);
    m_list->setColumnWidth(0, kColumnWidth);
    // Room for the column, the frame and a scroll bar: the column never needs scrolling sideways.
    m_list->setFixedWidth(kColumnWidth + 2 * m_list->frameWidth() +
                          m_list->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto *buttons = new QVBoxLayout;
    for (QPushButton *button : {m_new, m_copy, m_edit, m_delete})
        buttons->addWidget(button);
    buttons->addStretch(1);

    auto *layout = new QHBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(buttons);
    layout->addStretch(1);

    connect(m_new, &QPushButton::clicked, this, &ScriptsPage::newScript);
    connect(m_copy, &QPushButton::clicked, this, &ScriptsPage::copyScript);
    connect(m_edit, &QPushButton::clicked, this, &ScriptsPage::editScript);
    connect(m_delete, &QPushButton::clicked, this, &ScriptsPage::deleteScript);
    connect(m_list, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            editScript();
    });
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ScriptsPage::updateButtons);
    connect(m_scripts, &ScriptFolder::listChanged, this, &ScriptsPage::fill);
    fill(m_scripts->names());
}

void ScriptsPage::refresh() {
    m_editor->clearOpenedName();
    m_scripts->ListscriptDir();
}

void ScriptsPage::fill(const QStringList &names) {
    // By the names themselves: the folder's order is its files' ("x - copy.kvs" before "x.kvs").
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(), [](const QString &a, const QString &b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    m_list->clear();
    for (const QString &name : std::as_const(sorted))
        new QTreeWidgetItem(m_list, QStringList{name});
    m_list->clearSelection();
    m_list->setCurrentItem(nullptr);
    updateButtons();
}

QString ScriptsPage::selectedScript() const {
    const QList<QTreeWidgetItem *> selected = m_list->selectedItems();
    return selected.isEmpty() ? QString() : selected.constFirst()->text(0);
}

void ScriptsPage::updateButtons() {
    const bool selected = !selectedScript().isEmpty();
    m_copy->setEnabled(selected);
    m_edit->setEnabled(selected);
    m_delete->setEnabled(selected);
}

void ScriptsPage::newScript() {
    m_editor->editNew();
}

void ScriptsPage::editScript() {
    const QString name = selectedScript();
    if (!name.isEmpty())
        m_editor->editScript(name);
}

void ScriptsPage::copyScript() {
    const QString name = selectedScript();
    if (name.isEmpty())
        return;
    QString error;
    if (m_scripts->copy(name, &error).isEmpty())
        MessageBoxes::warn(window(), tr("The script `%1\u00b4 could not be copied.").arg(name),
                           error);
}

void ScriptsPage::deleteScript() {
    const QString name = selectedScript();
    if (name.isEmpty())
        return;
    if (!MessageBoxes::confirm(window(), tr("Delete script: `%1\u00b4?").arg(name)))
        return;
    QString error;
    if (!m_scripts->remove(name, &error))
        MessageBoxes::warn(window(), tr("The script `%1\u00b4 could not be deleted.").arg(name),
                           error);
}
