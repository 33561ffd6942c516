#include "commands/CommandCompletion.h"

#include <QSet>

#include <algorithm>

namespace {
using Argument = CommandCompletion::Argument;

QString quoted(const QString &name) {
    return QLatin1Char('"') + name + QLatin1Char('"');
}
} // namespace

const QList<CommandCompletion::Command> &CommandCompletion::commonCommands() {
    static const QList<Command> commands = {
        {QStringLiteral("AllowPlayerToJoinNoCheck"), Argument::PlayerId},
        {QStringLiteral("BanPlayer"), Argument::PlayerId},
        {QStringLiteral("Broadcast"), Argument::Text},
        {QStringLiteral("DestroyWildDinos"), Argument::None},
        {QStringLiteral("DisallowPlayerToJoinNoCheck"), Argument::PlayerId},
        {QStringLiteral("DoExit"), Argument::None},
        {QStringLiteral("GetChat"), Argument::None},
        {QStringLiteral("GetGameLog"), Argument::None},
        {QStringLiteral("GetPlayerIDForSteamID"), Argument::PlayerId},
        {QStringLiteral("GetSteamIDForPlayerID"), Argument::Text},
        {QStringLiteral("GetTribeIdPlayerList"), Argument::Text},
        {QStringLiteral("KickPlayer"), Argument::PlayerId},
        {QStringLiteral("ListPlayers"), Argument::None},
        {QStringLiteral("RenamePlayer"), Argument::PlayerName},
        {QStringLiteral("RenameTribe"), Argument::Text},
        {QStringLiteral("SaveWorld"), Argument::None},
        {QStringLiteral("ServerChat"), Argument::Text},
        {QStringLiteral("ServerChatToPlayer"), Argument::PlayerName},
        {QStringLiteral("SetMessageOfTheDay"), Argument::Text},
        {QStringLiteral("SetTimeOfDay"), Argument::Text},
        {QStringLiteral("ShowMessageOfTheDay"), Argument::None},
        {QStringLiteral("Slomo"), Argument::Text},
        {QStringLiteral("UnbanPlayer"), Argument::PlayerId},
    };
    return commands;
}

CommandCompletion::Argument CommandCompletion::argumentOf(const QString &text) {
    const QString verb = text.trimmed().section(QLatin1Char(' '), 0, 0);
    for (const Command &command : commonCommands()) {
        if (command.name.compare(verb, Qt::CaseInsensitive) == 0)
            return command.argument;
    }
    return Argument::None;
}

QString CommandCompletion::Result::commonStart() const {
    if (insertions.isEmpty())
        return QString();
    QString start = insertions.constFirst();
    for (const QString &insertion : insertions) {
        int same = 0;
        while (same < start.size() && same < insertion.size() &&
               start.at(same).toCaseFolded() == insertion.at(same).toCaseFolded())
            ++same;
        start.truncate(same);
    }
    return start;
}

CommandCompletion::Result CommandCompletion::complete(const QString &text, int cursor,
                                                      const QList<Player> &players) {
    Result result;
    cursor = std::clamp(cursor, 0, int(text.size()));
    const QString before = text.left(cursor);
    int wordStart = 0;
    while (wordStart < before.size() && before.at(wordStart).isSpace())
        ++wordStart;
    const int blank = int(before.indexOf(QLatin1Char(' '), wordStart));

    if (blank < 0) {
        // The first word: the command's name, followed by a blank when it takes an argument.
        const QString typed = before.mid(wordStart);
        if (typed.isEmpty())
            return result; // an empty field leaves Tab to move the focus
        result.from = wordStart;
        result.to = cursor;
        for (const Command &command : commonCommands()) {
            if (!command.name.startsWith(typed, Qt::CaseInsensitive))
                continue;
            result.insertions << command.name + (command.argument == Argument::None
                                                     ? QString()
                                                     : QStringLiteral(" "));
            result.labels << command.name;
        }
        return result;
    }

    const Argument argument = argumentOf(before);
    if (argument != Argument::PlayerId && argument != Argument::PlayerName)
        return result;
    int argumentStart = blank;
    while (argumentStart < before.size() && before.at(argumentStart).isSpace())
        ++argumentStart;
    QString typed = before.mid(argumentStart);
    if (typed.startsWith(QLatin1Char('"')))
        typed.remove(0, 1);
    result.from = argumentStart;
    result.to = cursor;

    // Names that start with what was typed come first, then those that merely hold it.
    QList<Player> starting;
    QList<Player> holding;
    QSet<QString> seen;
    for (const Player &player : players) {
        if (seen.contains(player.id))
            continue;
        if (player.name.startsWith(typed, Qt::CaseInsensitive) ||
            player.id.startsWith(typed, Qt::CaseInsensitive)) {
            starting << player;
            seen.insert(player.id);
        }
    }
    if (starting.isEmpty()) {
        for (const Player &player : players) {
            if (!seen.contains(player.id) && player.name.contains(typed, Qt::CaseInsensitive)) {
                holding << player;
                seen.insert(player.id);
            }
        }
    }
    for (const Player &player : starting.isEmpty() ? holding : starting) {
        result.insertions << (argument == Argument::PlayerId ? player.id : quoted(player.name));
        result.labels << player.name + QStringLiteral("  (") + player.id + QLatin1Char(')');
    }
    return result;
}
