#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

// One player line of the program log, without the log's time stamp:
//   Player: `Name´ (id) joined @ `Server´
//   Player: `Name´ (id) playing @ `Server´
//   Player: `Name´ (id) has left `Server´ - Duration {hh:nn:ss}
//   Program exit: `Name´ (id) has played @ `Server´ - Duration {hh:nn:ss}
// Player tracking writes them, the rename of a server rewrites them and the statistics read them
// back, so their texts are fixed to the character.
struct PlayerLogLine final {
    enum class Kind {
        Joined,     // a player appeared on a server that was online already
        Playing,    // a player found online on the first pass or when a server came back
        HasLeft,    // a departure, with the time played
        ProgramExit // a player still online when the program ended, with the time online
    };

    // The fixed pieces: each kind's start, the id between blank and brackets, each kind's
    // marker before the server and the duration after it.
    static constexpr QStringView kPlayerStart = u"Player: `";
    static constexpr QStringView kProgramExitStart = u"Program exit: `";
    static constexpr QStringView kIdStart = u"´ (";
    static constexpr QStringView kJoinedMarker = u") joined @ `";
    static constexpr QStringView kPlayingMarker = u") playing @ `";
    static constexpr QStringView kHasLeftMarker = u") has left `";
    static constexpr QStringView kHasPlayedMarker = u") has played @ `";
    static constexpr QStringView kDurationStart = u"´ - Duration {";
    static constexpr QChar kDurationEnd{u'}'};

    Kind kind = Kind::Joined;
    QString name;
    // As the line has it: everything between " (" and ")".
    QString playerId;
    QString server;
    // "hh:nn:ss" of a departure or an exit; empty for the other kinds.
    QString duration;

    static QStringView start(Kind kind);
    static QStringView marker(Kind kind);
    static bool hasDuration(Kind kind);

    QString text() const;
    // "`Name´ joined @ `Server´" or "`Name´ has left `Server´"; empty for the kinds that are
    // not notified.
    QString notificationText() const;

    // The line `text` (after the time stamp) holds, if it is a player line. A player may name
    // himself anything, markers and brackets included: the marker taken is the last one that
    // follows an id (no blank, no bracket), so only a server name must not hold a marker.
    static std::optional<PlayerLogLine> parse(QStringView text);

    // A time played as a time of day "hh:nn:ss": whole days drop out (25 hours read 01:00:00),
    // and a negative time (the clock was set back during the stay) reads 00:00:00.
    static QString durationText(qint64 seconds);

    // The program log after the server `oldName` became `newName`: in every line that holds the
    // old name as it is spelt and a marker of any kind, each quoted occurrence `oldName´, in any
    // letter case and wherever it stands, becomes `newName´ (a player named like the server is
    // renamed with it). Other lines stay shared with the caller's list. `changed` receives the
    // number of lines rewritten.
    static QStringList renameServer(QStringList lines, const QString &oldName,
                                    const QString &newName, int *changed = nullptr);

    bool operator==(const PlayerLogLine &other) const;
    bool operator!=(const PlayerLogLine &other) const { return !(*this == other); }
};
