#pragma once

#include "base/ProgramOptions.h"
#include "chat/ChatLineProcessor.h"

#include <QString>

// What the chat and the background watch ask a game server for under the log source option,
// and how its answer is read.
class LogSourceRequest final {
public:
    // "GetGameLog" for the game log, "Getchat" for the chat.
    static QString command(LogSource source);
    static ChatLineProcessor::Mode mode(LogSource source);
    // Whether `command` asks for new lines under either source.
    static bool isRequest(const QString &command);
};
