#include "chat/LogSourceRequest.h"

QString LogSourceRequest::command(LogSource source) {
    return source == LogSource::Chat ? QStringLiteral("Getchat") : QStringLiteral("GetGameLog");
}

ChatLineProcessor::Mode LogSourceRequest::mode(LogSource source) {
    return source == LogSource::Chat ? ChatLineProcessor::Mode::Chat
                                     : ChatLineProcessor::Mode::GameLog;
}

bool LogSourceRequest::isRequest(const QString &command) {
    return command == LogSourceRequest::command(LogSource::GameLog) ||
           command == LogSourceRequest::command(LogSource::Chat);
}
