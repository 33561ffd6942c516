#include "ui/TextViewMenu.h"

#include "ui/MenuKey.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>

namespace {
const char *const kTextViewProperty = "kvdTextView";
} // namespace

TextViewMenu::TextViewMenu(QAbstractScrollArea *view, DeleteRule deleteEnabled,
                           DeleteAction deleteLogfile)
    : QObject(view)
    , m_view(view)
    , m_deleteEnabled(std::move(deleteEnabled))
    , m_deleteLogfile(std::move(deleteLogfile)) {
    view->setProperty(kTextViewProperty, true);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { popup(m_view->viewport()->mapToGlobal(pos)); });
    MenuKey::install(view, [this](const QPoint &globalPos) { popup(globalPos); });
}

TextViewMenu *TextViewMenu::install(QAbstractScrollArea *view, DeleteRule deleteEnabled,
                                    DeleteAction deleteLogfile) {
    return new TextViewMenu(view, std::move(deleteEnabled), std::move(deleteLogfile));
}

QMenu *TextViewMenu::createMenu(QWidget *parent) const {
    return create(m_view, m_deleteEnabled && m_deleteEnabled(), m_deleteLogfile, parent);
}

void TextViewMenu::popup(const QPoint &globalPos) const {
    // Shown without a nested event loop; it deletes itself when it closes.
    QMenu *menu = createMenu(m_view);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPos);
}

QMenu *TextViewMenu::create(QAbstractScrollArea *view, bool deleteEnabled,
                            const DeleteAction &deleteLogfile, QWidget *parent) {
    view->setProperty(kTextViewProperty, true);
    auto *menu = new QMenu(parent);
    menu->addAction(tr("Select all"), view, [view] { selectAll(target(view)); });
    menu->addSeparator();
    menu->addAction(tr("Copy"), view, [view] { copy(target(view)); });
    menu->addSeparator();
    QAction *remove = menu->addAction(tr("Delete logfile"));
    remove->setEnabled(deleteEnabled && deleteLogfile);
    if (deleteLogfile)
        connect(remove, &QAction::triggered, view, deleteLogfile);
    return menu;
}

QAbstractScrollArea *TextViewMenu::target(QAbstractScrollArea *openedOn) {
    for (QWidget *focus = QApplication::focusWidget(); focus; focus = focus->parentWidget()) {
        auto *area = qobject_cast<QAbstractScrollArea *>(focus);
        if (area && area->property(kTextViewProperty).toBool())
            return area;
    }
    return openedOn;
}

void TextViewMenu::selectAll(QAbstractScrollArea *view) {
    if (auto *plain = qobject_cast<QPlainTextEdit *>(view))
        plain->selectAll();
    else if (auto *rich = qobject_cast<QTextEdit *>(view))
        rich->selectAll();
    else if (auto *items = qobject_cast<QAbstractItemView *>(view))
        items->selectAll();
}

void TextViewMenu::copy(QAbstractScrollArea *view) {
    if (auto *plain = qobject_cast<QPlainTextEdit *>(view)) {
        plain->copy();
    } else if (auto *rich = qobject_cast<QTextEdit *>(view)) {
        rich->copy();
    } else if (auto *items = qobject_cast<QAbstractItemView *>(view)) {
        if (!items->selectionModel())
            return;
        QModelIndexList rows = items->selectionModel()->selectedRows();
        if (rows.isEmpty())
            return; // an empty selection leaves the clipboard as it was, as a text view does
        std::sort(rows.begin(), rows.end());
        QStringList lines;
        lines.reserve(rows.size());
        for (const QModelIndex &index : std::as_const(rows))
            lines << index.data().toString();
        QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')));
    }
}
