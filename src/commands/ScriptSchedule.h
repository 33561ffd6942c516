#pragma once

#include "commands/QueueEntry.h"

#include <QDateTime>
#include <QString>
#include <QVector>

class CommandQueue;

// A script turned into queue entries: each "msg:" and "cmd:" line becomes an entry at the
// current time T, each "wait" line moves T on by its seconds, every other line is left out.
// The whole script is checked first: one wait line without a usable number refuses all of it.
namespace ScriptSchedule {

enum class Problem {
    None,
    NoWaitNumber, // a "wait" line without any digit
    WaitTooLarge, // more seconds than a 32-bit integer holds, or past the year 9999
};

struct Result final {
    QVector<QueueEntry> entries; // empty unless the whole script was fine
    Problem problem = Problem::None;
    int lineNumber = 0; // 1-based, of the refused line
    QString line;
    QString message; // for the operator, naming the line

    bool ok() const { return problem == Problem::None; }
};

// The seconds of a wait line: the number formed by all its digits 0 to 9, in order.
Problem waitSeconds(const QString &line, int *seconds);

// The entries of `text` for `server`, the first at `start`.
Result build(const QString &scriptName, const QString &text, const QDateTime &start,
             const QString &server);

// The entries of `text` appended to `queue`: all of them, or none and the reason.
Result queueScript(CommandQueue *queue, const QString &scriptName, const QString &text,
                   const QDateTime &start, const QString &server);

} // namespace ScriptSchedule
