#include "commands/ScriptSchedule.h"

#include "commands/CommandQueue.h"
#include "commands/QueueTime.h"
#include "commands/ScriptFile.h"

#include <QCoreApplication>

#include <limits>

namespace {
// The time format has four digits for the year.
constexpr int kLastYear = 9999;

QString refusal(ScriptSchedule::Problem problem, const QString &scriptName, int lineNumber,
                const QString &line) {
    const char *text =
        problem == ScriptSchedule::Problem::NoWaitNumber
            ? QT_TRANSLATE_NOOP("ScriptSchedule",
                                "Script `%1´, line %2: \"%3\" has no number of seconds. "
                                "Nothing was queued.")
            : QT_TRANSLATE_NOOP("ScriptSchedule",
                                "Script `%1´, line %2: \"%3\" waits longer than a start time "
                                "can reach. Nothing was queued.");
    return QCoreApplication::translate("ScriptSchedule", text)
        .arg(scriptName, QString::number(lineNumber), line);
}
} // namespace

ScriptSchedule::Problem ScriptSchedule::waitSeconds(const QString &line, int *seconds) {
    qint64 value = 0;
    bool digit = false;
    for (const QChar c : line) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            continue;
        digit = true;
        value = value * 10 + (c.unicode() - u'0');
        if (value > std::numeric_limits<qint32>::max())
            return Problem::WaitTooLarge;
    }
    if (!digit)
        return Problem::NoWaitNumber;
    *seconds = int(value);
    return Problem::None;
}

ScriptSchedule::Result ScriptSchedule::build(const QString &scriptName, const QString &text,
                                             const QDateTime &start, const QString &server) {
    Result result;
    QDateTime at = start;
    QString timeField = QueueTime::format(at);
    const QStringList lines = ScriptFile::lines(text);
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (line.startsWith(QLatin1String("wait"))) {
            int seconds = 0;
            Problem problem = waitSeconds(line, &seconds);
            if (problem == Problem::None) {
                at = at.addSecs(seconds);
                timeField = QueueTime::format(at);
                if (!at.isValid() || at.date().year() > kLastYear)
                    problem = Problem::WaitTooLarge;
            }
            if (problem != Problem::None) {
                result.entries.clear();
                result.problem = problem;
                result.lineNumber = i + 1;
                result.line = line;
                result.message = refusal(problem, scriptName, i + 1, line);
                return result;
            }
        } else if (line.startsWith(QLatin1String("msg:")) ||
                   line.startsWith(QLatin1String("cmd:"))) {
            result.entries.append(QueueEntry(scriptName, line, timeField, server));
        }
    }
    return result;
}

ScriptSchedule::Result ScriptSchedule::queueScript(CommandQueue *queue, const QString &scriptName,
                                                   const QString &text, const QDateTime &start,
                                                   const QString &server) {
    Result result = build(scriptName, text, start, server);
    if (result.ok())
        queue->appendEntries(result.entries);
    return result;
}
