#pragma once

#include "commands/CommandRequest.h"

#include <QString>

// The program-log lines of a command's outcome. The statistics never read them; operators search
// them, so each names its command and, where it can, its server.
namespace CommandLogLines {

// Longest answer text in a "Command answer" line, "…" included.
constexpr int kAnswerMaxLength = 500;

// "Command successfully: saveworld @ Alpha"
QString success(const CommandRequest &request);
// "Command answer (Alpha):  World Saved": the answer as one line of at most kAnswerMaxLength
// characters; null for an empty answer and for the no-output answer.
QString answer(const QString &serverName, const QString &answer);
// "ERROR: Command on Alpha - saveworld" for the queue, "ERROR: Command KickPlayer …" otherwise.
QString failure(const CommandRequest &request);
// "Command error: saveworld": the command could not be sent or its answer not read.
QString error(const CommandRequest &request);
// The command went out and no answer came within `timeoutMs`.
QString unanswered(const CommandRequest &request, int timeoutMs);
// The command went out (or may have) and the program ended before its answer came.
QString notConfirmed(const CommandRequest &request);
// The lines of `text` joined by blanks, cut to `maxLength` characters ending in "…".
QString oneLine(const QString &text, int maxLength = kAnswerMaxLength);

} // namespace CommandLogLines
