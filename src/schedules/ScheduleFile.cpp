#include "schedules/ScheduleFile.h"

#include "commands/ScriptFolder.h"

#include <QRegularExpression>

namespace {

struct Section final {
    QString name;
    int line = 0;
    QList<QPair<QString, QString>> values;
    QString problem; // set by a line of the section that does not read
    QStringList raw; // the section's lines as written
};

QString skipped(const QString &name, const QString &reason) {
    return QStringLiteral("Schedule `") + name + QStringLiteral("´ skipped: ") + reason;
}

// A value without the comment after it: " ; text" ends the value.
QString valueOf(const QString &raw) {
    static const QRegularExpression comment(QStringLiteral("\\s;.*$"));
    QString value = raw;
    value.remove(comment);
    return value.trimmed();
}

bool parseAt(const QString &text, QTime *at) {
    static const QRegularExpression pattern(QStringLiteral("^(\\d{1,2}):(\\d{2})$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return false;
    const QTime time(match.captured(1).toInt(), match.captured(2).toInt());
    if (!time.isValid())
        return false;
    *at = time;
    return true;
}

// The schedule of one section, or the reason it is skipped.
QString readSection(const Section &section, Schedule *schedule) {
    if (!section.problem.isEmpty())
        return section.problem;
    if (!Schedule::isValidName(section.name))
        return QStringLiteral("the name is not usable");
    schedule->name = section.name;
    bool hasScript = false, hasServers = false, hasAt = false;
    for (const auto &[key, value] : section.values) {
        if (key == QLatin1String("script")) {
            if (!ScriptFolder::isValidName(value))
                return QStringLiteral("script `") + value +
                       QStringLiteral("´ is not a script name");
            schedule->script = value;
            hasScript = true;
        } else if (key == QLatin1String("servers")) {
            schedule->allServers = value == QLatin1String("*");
            schedule->servers.clear();
            if (!schedule->allServers) {
                for (const QString &server : value.split(QLatin1Char('|'))) {
                    const QString name = server.trimmed();
                    if (!name.isEmpty() && !schedule->servers.contains(name))
                        schedule->servers << name;
                }
            }
            hasServers = schedule->allServers || !schedule->servers.isEmpty();
        } else if (key == QLatin1String("at")) {
            if (!parseAt(value, &schedule->at))
                return QStringLiteral("at `") + value + QStringLiteral("´ is not a time hh:mm");
            hasAt = true;
        } else if (key == QLatin1String("days")) {
            if (!Schedule::parseDays(value, &schedule->days))
                return QStringLiteral("days `") + value +
                       QStringLiteral("´ is neither daily nor days like mon,tue");
        } else if (key == QLatin1String("every")) {
            if (!Schedule::parseEvery(value, &schedule->everyMinutes))
                return QStringLiteral("every `") + value +
                       QStringLiteral("´ is not an interval like 30m or 6h under a day");
        } else if (key == QLatin1String("enabled")) {
            if (value != QLatin1String("0") && value != QLatin1String("1"))
                return QStringLiteral("enabled `") + value + QStringLiteral("´ is neither 0 nor 1");
            schedule->enabled = value == QLatin1String("1");
        }
        // Keys of other builds are left alone.
    }
    if (!hasScript)
        return QStringLiteral("no script");
    // A schedule whose last server was deleted is kept, disabled, with no servers.
    if (!hasServers && schedule->enabled)
        return QStringLiteral("no servers");
    if (!hasAt)
        return QStringLiteral("no time (at=hh:mm)");
    return QString();
}

} // namespace

ScheduleFile::ReadResult ScheduleFile::parse(const QByteArray &bytes) {
    QByteArray data = bytes;
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    const QStringList lines =
        QString::fromUtf8(data).split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    ReadResult result;
    QVector<Section> sections;
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (!sections.isEmpty() && !line.startsWith(QLatin1Char('[')))
            sections.last().raw << lines.at(i);
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) ||
            line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('['))) {
            Section section;
            section.line = i + 1;
            section.raw << lines.at(i);
            const int close = line.lastIndexOf(QLatin1Char(']'));
            section.name = line.mid(1, close - 1).trimmed();
            if (close < 0)
                section.problem = QStringLiteral("the section line has no closing ]");
            sections << section;
            continue;
        }
        const int equals = line.indexOf(QLatin1Char('='));
        if (sections.isEmpty()) {
            result.problems
                << QStringLiteral("schedules.ini line %1 skipped: not in a section").arg(i + 1);
            continue;
        }
        Section &section = sections.last();
        if (equals <= 0) {
            if (section.problem.isEmpty())
                section.problem =
                    QStringLiteral("line %1 is not key=value: \"%2\"").arg(i + 1).arg(line);
            continue;
        }
        section.values.append(
            {line.left(equals).trimmed().toLower(), valueOf(line.mid(equals + 1))});
    }
    for (const Section &section : std::as_const(sections)) {
        Schedule schedule;
        QString problem = readSection(section, &schedule);
        if (problem.isEmpty()) {
            for (const Schedule &earlier : std::as_const(result.schedules)) {
                if (earlier.name.compare(schedule.name, Qt::CaseInsensitive) == 0)
                    problem = QStringLiteral("a schedule of that name comes earlier in the file");
            }
        }
        if (problem.isEmpty()) {
            result.schedules << schedule;
            continue;
        }
        result.problems << skipped(section.name, problem);
        QStringList raw = section.raw;
        while (!raw.isEmpty() && raw.last().trimmed().isEmpty())
            raw.removeLast();
        result.unread += raw.join(QLatin1Char('\n')) + QLatin1Char('\n');
    }
    return result;
}

QByteArray ScheduleFile::format(const QVector<Schedule> &schedules, const QString &unread) {
    QString text;
    for (const Schedule &schedule : schedules) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += QLatin1Char('[') + schedule.name + QStringLiteral("]\n");
        text += QStringLiteral("script=") + schedule.script + QLatin1Char('\n');
        text += QStringLiteral("servers=") + schedule.serversText() + QLatin1Char('\n');
        text += QStringLiteral("at=") + schedule.at.toString(QStringLiteral("HH:mm")) +
                QLatin1Char('\n');
        text += QStringLiteral("days=") + schedule.daysText() + QLatin1Char('\n');
        text += QStringLiteral("every=") + schedule.everyText() + QLatin1Char('\n');
        text += QStringLiteral("enabled=") + QLatin1Char(schedule.enabled ? '1' : '0') +
                QLatin1Char('\n');
    }
    if (!unread.isEmpty()) {
        if (!text.isEmpty())
            text += QLatin1Char('\n');
        text += unread;
    }
    return text.toUtf8();
}
