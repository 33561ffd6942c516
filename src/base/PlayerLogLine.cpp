#include "base/PlayerLogLine.h"

#include "base/NameQuotes.h"

// The pieces quote the names the way every other text of the program does.
static_assert(PlayerLogLine::kPlayerStart.back() == NameQuotes::kOpen);
static_assert(PlayerLogLine::kProgramExitStart.back() == NameQuotes::kOpen);
static_assert(PlayerLogLine::kIdStart.front() == NameQuotes::kClose);
static_assert(PlayerLogLine::kJoinedMarker.back() == NameQuotes::kOpen);
static_assert(PlayerLogLine::kPlayingMarker.back() == NameQuotes::kOpen);
static_assert(PlayerLogLine::kHasLeftMarker.back() == NameQuotes::kOpen);
static_assert(PlayerLogLine::kHasPlayedMarker.back() == NameQuotes::kOpen);
static_assert(PlayerLogLine::kDurationStart.front() == NameQuotes::kClose);

namespace {

constexpr qint64 kSecondsPerDay = 24 * 60 * 60;
constexpr PlayerLogLine::Kind kAllKinds[] = {
    PlayerLogLine::Kind::Joined, PlayerLogLine::Kind::Playing, PlayerLogLine::Kind::HasLeft,
    PlayerLogLine::Kind::ProgramExit};

bool isIdCharacter(QChar c) {
    return c != QLatin1Char(' ') && c != QLatin1Char('(') && c != QLatin1Char(')');
}

// Where the id before the marker at `marker` starts, or -1 when no "´ (" and id precede it
// after the line's start.
qsizetype idStartBefore(QStringView head, qsizetype marker, qsizetype nameStart) {
    qsizetype id = marker;
    while (id > 0 && isIdCharacter(head.at(id - 1)))
        --id;
    const qsizetype piece = id - PlayerLogLine::kIdStart.size();
    if (id == marker || piece < nameStart ||
        head.mid(piece, PlayerLogLine::kIdStart.size()) != PlayerLogLine::kIdStart)
        return -1;
    return id;
}

// The rename touches only lines that hold one of the markers somewhere.
bool holdsMarker(const QString &line) {
    for (const PlayerLogLine::Kind kind : kAllKinds) {
        if (line.contains(PlayerLogLine::marker(kind)))
            return true;
    }
    return false;
}

} // namespace

QStringView PlayerLogLine::start(Kind kind) {
    return kind == Kind::ProgramExit ? kProgramExitStart : kPlayerStart;
}

QStringView PlayerLogLine::marker(Kind kind) {
    switch (kind) {
    case Kind::Joined:
        return kJoinedMarker;
    case Kind::Playing:
        return kPlayingMarker;
    case Kind::HasLeft:
        return kHasLeftMarker;
    case Kind::ProgramExit:
        return kHasPlayedMarker;
    }
    return {};
}

bool PlayerLogLine::hasDuration(Kind kind) {
    return kind == Kind::HasLeft || kind == Kind::ProgramExit;
}

QString PlayerLogLine::text() const {
    const QStringView begin = start(kind);
    const QStringView middle = marker(kind);
    QString line;
    line.reserve(begin.size() + name.size() + kIdStart.size() + playerId.size() + middle.size() +
                 server.size() + kDurationStart.size() + duration.size() + 1);
    line.append(begin);
    line.append(name);
    line.append(kIdStart);
    line.append(playerId);
    line.append(middle);
    line.append(server);
    if (hasDuration(kind)) {
        line.append(kDurationStart);
        line.append(duration);
        line.append(kDurationEnd);
    } else {
        line.append(NameQuotes::kClose);
    }
    return line;
}

QString PlayerLogLine::notificationText() const {
    switch (kind) {
    case Kind::Joined:
        return NameQuotes::quoted(name) + QStringLiteral(" joined @ ") + NameQuotes::quoted(server);
    case Kind::HasLeft:
        return NameQuotes::quoted(name) + QStringLiteral(" has left ") + NameQuotes::quoted(server);
    case Kind::Playing:
    case Kind::ProgramExit:
        break;
    }
    return {};
}

std::optional<PlayerLogLine> PlayerLogLine::parse(QStringView text) {
    const bool programExit = text.startsWith(kProgramExitStart);
    if (!programExit && !text.startsWith(kPlayerStart))
        return std::nullopt;
    const qsizetype nameStart = programExit ? kProgramExitStart.size() : kPlayerStart.size();

    // The end tells the kinds apart: a duration closes a departure and an exit, the server's
    // quote the other two.
    const bool timed = text.endsWith(kDurationEnd);
    QStringView head;
    QStringView played;
    if (timed) {
        const qsizetype piece = text.lastIndexOf(kDurationStart);
        if (piece < nameStart)
            return std::nullopt;
        const qsizetype from = piece + kDurationStart.size();
        played = text.mid(from, text.size() - 1 - from);
        head = text.left(piece);
    } else if (text.endsWith(NameQuotes::kClose) && !programExit) {
        head = text.left(text.size() - 1);
    } else {
        return std::nullopt;
    }

    std::optional<PlayerLogLine> found;
    qsizetype foundAt = -1;
    // The last marker of `lineKind` after `foundAt` that follows an id.
    const auto findLast = [&](Kind lineKind) {
        const QStringView piece = marker(lineKind);
        for (qsizetype at = head.lastIndexOf(piece); at > foundAt;
             at = at > 0 ? head.lastIndexOf(piece, at - 1) : -1) {
            const qsizetype id = idStartBefore(head, at, nameStart);
            if (id < 0)
                continue;
            const qsizetype nameEnd = id - kIdStart.size();
            foundAt = at;
            found = PlayerLogLine{lineKind, head.mid(nameStart, nameEnd - nameStart).toString(),
                                  head.mid(id, at - id).toString(),
                                  head.mid(at + piece.size()).toString(), played.toString()};
            return;
        }
    };
    if (programExit) {
        findLast(Kind::ProgramExit);
    } else if (timed) {
        findLast(Kind::HasLeft);
    } else {
        findLast(Kind::Joined);
        findLast(Kind::Playing);
    }
    return found;
}

QString PlayerLogLine::durationText(qint64 seconds) {
    // A stay cannot end before it began: only a clock set back says so, and it played no time.
    seconds = seconds < 0 ? 0 : seconds % kSecondsPerDay;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QStringList PlayerLogLine::renameServer(QStringList lines, const QString &oldName,
                                        const QString &newName, int *changed) {
    int count = 0;
    if (!oldName.isEmpty() && oldName != newName) {
        const QString from = NameQuotes::quoted(oldName);
        const QString to = NameQuotes::quoted(newName);
        for (qsizetype i = 0; i < lines.size(); ++i) {
            const QString &line = lines.at(i);
            if (!line.contains(oldName) || !holdsMarker(line))
                continue;
            // Only the touched lines are copied; the rest stay shared with the caller's list.
            QString rewritten = line;
            rewritten.replace(from, to, Qt::CaseInsensitive);
            if (rewritten != line) {
                lines[i] = rewritten;
                ++count;
            }
        }
    }
    if (changed)
        *changed = count;
    return lines;
}

bool PlayerLogLine::operator==(const PlayerLogLine &other) const {
    return kind == other.kind && name == other.name && playerId == other.playerId &&
           server == other.server && duration == other.duration;
}
