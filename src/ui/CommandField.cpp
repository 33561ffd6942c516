#include "ui/CommandField.h"

#include "commands/CommandHistory.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QKeyEvent>
#include <QStringListModel>

CommandField::CommandField(CommandHistory *history, QWidget *parent)
    : QLineEdit(parent)
    , m_history(history)
    , m_completer(new QCompleter(this))
    , m_choices(new QStringListModel(this))
    , m_walkIndex(CommandHistory::kNone) {
    m_completer->setModel(m_choices);
    m_completer->setWidget(this);
    m_completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    m_completer->popup()->setAccessibleName(tr("Completions"));
    connect(m_completer, qOverload<const QModelIndex &>(&QCompleter::activated), this,
            [this](const QModelIndex &index) { take(index.row()); });
    connect(this, &QLineEdit::textEdited, this, [this] {
        m_walkIndex = CommandHistory::kNone;
        // What was offered was for the text as it was.
        if (isOffering())
            m_completer->popup()->hide();
    });
}

bool CommandField::isOffering() const {
    return m_completer->popup()->isVisible();
}

QStringList CommandField::offered() const {
    return isOffering() ? m_choices->stringList() : QStringList();
}

void CommandField::resetWalk() {
    m_walkIndex = CommandHistory::kNone;
    m_typed.clear();
}

bool CommandField::event(QEvent *event) {
    // Tab completes while there is something to complete; otherwise it moves the focus on.
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier) {
            if (isOffering()) {
                event->ignore(); // the list takes its current entry
                return true;
            }
            if (completeHere())
                return true;
        }
    }
    return QLineEdit::event(event);
}

void CommandField::keyPressEvent(QKeyEvent *event) {
    if (isOffering() && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        event->ignore(); // the list takes its current entry; nothing is sent
        return;
    }
    if (event->key() == Qt::Key_Up && !isOffering()) {
        walk(true);
        return;
    }
    if (event->key() == Qt::Key_Down && !isOffering()) {
        walk(false);
        return;
    }
    if (event->key() == Qt::Key_R && event->modifiers() == Qt::ControlModifier) {
        offerHistory();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void CommandField::walk(bool older) {
    if (m_walkIndex == CommandHistory::kNone) {
        if (!older)
            return;
        m_typed = text();
    }
    const int next =
        older ? m_history->older(m_walkIndex, m_typed) : m_history->newer(m_walkIndex, m_typed);
    if (next == CommandHistory::kNone) {
        if (!older) {
            // Past the newest entry: back to what was typed.
            m_walkIndex = CommandHistory::kNone;
            setText(m_typed);
        }
        return;
    }
    m_walkIndex = next;
    setText(m_history->entries().at(next));
}

bool CommandField::completeHere() {
    const QList<CommandCompletion::Player> players =
        m_players ? m_players() : QList<CommandCompletion::Player>();
    const CommandCompletion::Result result =
        CommandCompletion::complete(text(), cursorPosition(), players);
    if (result.isEmpty())
        return false;
    if (result.insertions.size() == 1) {
        m_insertions = result.insertions;
        m_replaceFrom = result.from;
        m_replaceTo = result.to;
        take(0);
        return true;
    }
    // Several: what they all start with goes in at once, the list offers the rest.
    const QString common = result.commonStart();
    int to = result.to;
    if (common.size() > to - result.from) {
        QString changed = text();
        changed.replace(result.from, to - result.from, common);
        setText(changed);
        to = result.from + int(common.size());
        setCursorPosition(to);
    }
    offer(result.labels, result.insertions, result.from, to);
    return true;
}

void CommandField::offerHistory() {
    const QStringList entries = m_history->matching(text());
    if (entries.isEmpty())
        return;
    offer(entries, entries, 0, int(text().size()));
}

void CommandField::offer(const QStringList &labels, const QStringList &insertions, int from,
                         int to) {
    m_insertions = insertions;
    m_replaceFrom = from;
    m_replaceTo = to;
    m_choices->setStringList(labels);
    m_completer->setCompletionPrefix(QString());
    m_completer->complete();
    m_completer->popup()->setCurrentIndex(m_choices->index(0, 0));
}

void CommandField::take(int row) {
    if (row < 0 || row >= m_insertions.size())
        return;
    QString changed = text();
    const int from = std::clamp(m_replaceFrom, 0, int(changed.size()));
    const int to = std::clamp(m_replaceTo, from, int(changed.size()));
    changed.replace(from, to - from, m_insertions.at(row));
    setText(changed);
    setCursorPosition(from + int(m_insertions.at(row).size()));
    m_walkIndex = CommandHistory::kNone;
}
