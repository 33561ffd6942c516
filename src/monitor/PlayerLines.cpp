#include "monitor/PlayerLines.h"

#include "base/Logging.h"
#include "base/PlayerId.h"
#include "base/PlayerLogLine.h"
#include "base/SteamId.h"
#include "rcon/AnswerText.h"

namespace {
// A shorter remainder cannot hold an index, a name, the separator and a 17-digit id.
constexpr int kShortestPlayerLine = 22;
} // namespace

bool PlayerLines::isPlayerList(const QString &answer) {
    const QString plain = AnswerText::withPlainLineEnds(answer);
    return plain.startsWith(QLatin1Char('\n')) && plain.mid(1, 2) == QLatin1String("0.");
}

QStringList PlayerLines::split(const QString &answer) {
    QStringList lines;
    const QString plain = AnswerText::withPlainLineEnds(answer);
    QStringView rest = QStringView(plain).mid(1);
    while (rest.size() > kShortestPlayerLine) {
        const qsizetype feed = rest.indexOf(QLatin1Char('\n'));
        if (feed < 0) {
            // A last line without its line feed is still a player.
            lines << rest.toString();
            break;
        }
        lines << rest.left(feed).toString();
        rest = rest.mid(feed + 1);
    }
    return lines;
}

bool PlayerLines::parse(const QString &line, QString *name, QString *steamId) {
    const qsizetype comma = line.lastIndexOf(QLatin1Char(','));
    if (comma < 0)
        return false;
    const QString id = line.mid(comma + 1).trimmed();
    if (!PlayerId::isPlayerId(id))
        return false;
    const qsizetype nameStart = line.indexOf(QLatin1Char('.')) + 2;
    if (name)
        *name = nameStart < comma ? line.mid(nameStart, comma - nameStart) : QString();
    if (steamId)
        *steamId = id;
    return true;
}

bool PlayerLines::IsNum(const QString &text) {
    return SteamId::IsNum(text);
}

QString PlayerLines::durationText(const QDateTime &join, const QDateTime &now) {
    if (!join.isValid() || !now.isValid())
        return QStringLiteral("00:00:00");
    return PlayerLogLine::durationText(join.secsTo(now));
}

QString PlayerLines::joinStamp(const QDateTime &when) {
    return when.toString(QStringLiteral("yyMMdd-HHmmss"));
}

void PlayerLines::reportClockSetBack(const QString &line, const QString &joinStamp,
                                     const QString &tag) {
    qCWarning(lcError).noquote() << QStringLiteral("Stay ends before its join stamp ") + joinStamp +
                                        QStringLiteral(" (clock set back), logged as "
                                                       "00:00:00: ") +
                                        line + tag;
}
