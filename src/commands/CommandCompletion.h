#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What Tab offers in the console's command field: the game's common commands while the first
// word is typed, and the players online for the argument of a command that takes one (their id
// for the commands that want an id, their name in quotes for those that want a name).
class CommandCompletion final {
public:
    enum class Argument { None, Text, PlayerId, PlayerName };

    struct Player {
        QString name;
        QString id;
    };

    struct Command {
        QString name;
        Argument argument = Argument::None;
    };

    // The text from `from` to `to` (the word being typed) is replaced by one of `insertions`;
    // `labels` say what each one is, in the same order.
    struct Result {
        int from = 0;
        int to = 0;
        QStringList insertions;
        QStringList labels;

        bool isEmpty() const { return insertions.isEmpty(); }
        // What every insertion starts with: the text to put in when there are several.
        QString commonStart() const;
    };

    CommandCompletion() = delete;

    static const QList<Command> &commonCommands();
    // The argument the command named by the first word of `text` takes, None when unknown.
    static Argument argumentOf(const QString &text);

    // The completions of the text before `cursor`. A command is offered when its name starts with
    // the word typed, in any letter case; a player when the name (or the id) starts with the
    // argument typed, failing that when it holds it.
    static Result complete(const QString &text, int cursor, const QList<Player> &players);
};
