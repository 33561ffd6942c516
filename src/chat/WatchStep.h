#pragma once

#include "chat/ChatLineProcessor.h"
#include "chat/ServerChatLog.h"
#include "rcon/StatusCode.h"
#include "servers/ServerSettings.h"

#include <QObject>
#include <QString>
#include <QTimer>

struct ChannelProfile;
class ChatLog;
class RconChannel;

// One step of the background watch on one server, on a channel and a view of its own: the
// server's file is loaded, its new lines are asked for once, processed into the view and the file
// is written. Exactly one ended() per start; the step time-out ends a server that never answers.
// The channel stays connected to the server after the step until the next start closes it.
class WatchStep final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WatchStep)

public:
    // `programFolder` holds the server logs; the steps of one watch share `failedSaves`, so a
    // file that cannot be written is told once between them.
    WatchStep(const QString &programFolder, ServerChatLog::FailedSaves failedSaves,
              QObject *parent = nullptr);
    ~WatchStep() override;

    // The background channel's time-out, error-entry tags and request counter.
    static ChannelProfile channelProfile();

    // Starts a step on `server` that sends `command` and reads its answer in `mode`.
    void start(const ServerSettings &server, const QString &command, ChatLineProcessor::Mode mode);
    // Ends the step under way without its answer: the channel closes and the file is left as it
    // is.
    void abandon();

    bool isRunning() const { return m_running; }
    // The server of the step under way, or of the last one.
    QString serverName() const { return m_server.name; }
    // The hidden watch view: the log of this step's server while the step is under way.
    ChatLog *view() const;
    RconChannel *channel() const { return m_channel; }

signals:
    // A line for the program log.
    void message(const QString &text);
    void ended();

private:
    void onCompleted(const QString &body);
    void fail(const QString &entry);
    void finish();

    RconChannel *m_channel;
    ServerChatLog *m_log;
    QTimer m_timeout; // a server that does not answer never holds the step for long
    ServerSettings m_server;
    ChatLineProcessor::Mode m_mode = ChatLineProcessor::Mode::GameLog;
    bool m_running = false;
};
