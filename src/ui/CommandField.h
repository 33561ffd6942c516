#pragma once

#include "commands/CommandCompletion.h"

#include <QLineEdit>
#include <QStringList>

#include <functional>

class CommandHistory;
class QCompleter;
class QStringListModel;

// The console tab's one-line command field. Up and Down walk the commands sent before (only
// those holding what was typed, when something was), Ctrl+R lists them to choose from, Tab
// completes the command's name or a player online. Enter sends (returnPressed).
class CommandField final : public QLineEdit {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CommandField)

public:
    using PlayerSource = std::function<QList<CommandCompletion::Player>()>;

    explicit CommandField(CommandHistory *history, QWidget *parent = nullptr);

    void setPlayerSource(PlayerSource source) { m_players = std::move(source); }
    // Tab: true when something was completed or offered.
    bool completeHere();
    // Ctrl+R: the history entries holding the typed text, newest first, to choose from.
    void offerHistory();
    bool isOffering() const;
    // The texts the open list offers, in its order.
    QStringList offered() const;
    // Forgets the walk through the history (after a command was sent).
    void resetWalk();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void walk(bool older);
    void offer(const QStringList &labels, const QStringList &insertions, int from, int to);
    void take(int row);

    CommandHistory *m_history;
    PlayerSource m_players;
    QCompleter *m_completer;
    QStringListModel *m_choices;
    QStringList m_insertions;
    int m_replaceFrom = 0;
    int m_replaceTo = 0;
    int m_walkIndex;
    QString m_typed; // the text before the walk began: its filter, and where Down ends
};
