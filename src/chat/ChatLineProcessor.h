#pragma once

#include "chat/ChatLine.h"

#include <QColor>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// Turns one answer to "GetGameLog" or "Getchat" into chat lines: word repair, stamps, admin,
// player and server lines, the plain duplicate of a coloured tribe line, and the colours.
class ChatLineProcessor final {
public:
    // The answer to "GetGameLog" or to "Getchat" (LogSourceRequest). Answers are read with plain
    // line ends (AnswerText): CR LF, blanks at line ends and the padding at the end read like LF.
    enum class Mode { GameLog = 0, Chat = 1 };

    // The previous game-log line of one view and one server, so a plain line that repeats a
    // coloured one in the same second can be dropped.
    struct DuplicateMemory final {
        QString stamp;
        QString line;
    };

    enum class Outcome {
        Lines,      // the body was split into lines (possibly none)
        KeepAlive,  // the server ended the chat on its side
        NoResponse, // "Server received, But no response!!" (AnswerText::isNoOutputAnswer)
    };

    struct Result final {
        Outcome outcome = Outcome::Lines;
        QList<ChatLine> lines;
        // The block left a remainder after its last line: the view is then written to its file.
        bool saveWanted = false;
    };

    // The "[yymmdd-hhnnss] " stamp of chat mode comes from `receivedAt`.
    static Result process(const QString &body, Mode mode, const QDateTime &receivedAt,
                          DuplicateMemory &memory);
    // As process(), for a view that keeps no more than its newest `keep` lines (at least one):
    // the result holds only the newest `keep` lines that the block adds, and the older ones are
    // never built. `olderLeftOut` tells whether the block added lines before those. Duplicates,
    // the memory left behind and saveWanted are exactly those of process().
    static Result processNewest(const QString &body, Mode mode, const QDateTime &receivedAt,
                                DuplicateMemory &memory, int keep, bool &olderLeftOut);

    // The colour of a tag's value, the text between its quotation characters: four numbers
    // from 0 to 1 (red, green, blue, opacity) separated by commas, blanks around them allowed,
    // as in "0.85, 0.15, 0.25, 1". None when the value does not read so.
    static std::optional<QRgb> tagColour(QStringView value);

    // The server delivers "?" for German umlauts in some words.
    static QString repairWords(QString line);
    // How many of the previous line's words, each time it occurs, are words of `line` as well;
    // commas, hyphens, zeros and closing colour tags are taken out of both lines, and words are
    // separated by blanks.
    static int wordOverlap(const QString &previousLine, const QString &line);
    // Colours a line that carries the in-band markers and removes them: the new-line marker
    // and 15-character stamp at its start, then the admin marker, the chat marker and the
    // first colour tag.
    static ChatLine colourLine(const QString &markedLine, int stampLength);

    // In-band markers placed in front of a line and removed by the colouring.
    static const QString &newLineMarker();
    static const QString &adminMarker();
    static const QString &chatMarker();
    static const QString &colourTagOpening();
};
