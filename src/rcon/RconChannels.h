#pragma once

#include <QObject>

class RconChannel;

// The four connections of the console, so that polling, commands, the chat window and the
// background watch never share a TCP connection. They exist from start-up to exit.
class RconChannels final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RconChannels)

public:
    explicit RconChannels(QObject *parent = nullptr);

    RconChannel *PollChannel() const { return m_poll; }
    RconChannel *CommandChannel() const { return m_command; }
    RconChannel *ChatChannel() const { return m_chat; }
    RconChannel *BackgroundChatChannel() const { return m_backgroundChat; }

    void closeAll();

private:
    RconChannel *m_poll;
    RconChannel *m_command;
    RconChannel *m_chat;
    RconChannel *m_backgroundChat;
};
