#include "commands/CommandLogLines.h"

#include "rcon/AnswerText.h"

#include <QStringList>

QString CommandLogLines::success(const CommandRequest &request) {
    return QStringLiteral("Command successfully: ") + request.shownCommand() +
           QStringLiteral(" @ ") + request.serverName;
}

QString CommandLogLines::answer(const QString &serverName, const QString &answer) {
    if (AnswerText::isNoOutputAnswer(answer))
        return QString();
    const QString line = oneLine(answer);
    if (line.isEmpty())
        return QString();
    return QStringLiteral("Command answer (") + serverName + QStringLiteral("):  ") + line;
}

QString CommandLogLines::failure(const CommandRequest &request) {
    if (request.origin == CommandOrigin::Queue)
        return QStringLiteral("ERROR: Command on ") + request.serverName + QStringLiteral(" - ") +
               request.shownCommand();
    return QStringLiteral("ERROR: Command ") + request.shownCommand();
}

QString CommandLogLines::error(const CommandRequest &request) {
    return QStringLiteral("Command error: ") + request.shownCommand();
}

QString CommandLogLines::unanswered(const CommandRequest &request, int timeoutMs) {
    const QString span = timeoutMs % 1000 == 0 ? QStringLiteral("%1 s").arg(timeoutMs / 1000)
                                               : QStringLiteral("%1 ms").arg(timeoutMs);
    return QStringLiteral("Command sent, no answer within ") + span + QStringLiteral(": ") +
           request.shownCommand() + QStringLiteral(" @ ") + request.serverName;
}

QString CommandLogLines::notConfirmed(const CommandRequest &request) {
    return failure(request) + QStringLiteral(" (not confirmed before the program ended)");
}

QString CommandLogLines::oneLine(const QString &text, int maxLength) {
    const QStringList lines =
        AnswerText::withPlainLineEnds(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QString joined;
    for (const QString &line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty())
            continue;
        if (!joined.isEmpty())
            joined += QLatin1Char(' ');
        joined += trimmed;
        if (joined.size() > maxLength)
            break;
    }
    if (joined.size() > maxLength) {
        joined.truncate(maxLength - 1);
        joined += QChar(0x2026);
    }
    return joined;
}
