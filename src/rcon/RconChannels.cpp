#include "rcon/RconChannels.h"

#include "rcon/RconChannel.h"

RconChannels::RconChannels(QObject *parent)
    : QObject(parent)
    , m_poll(new RconChannel(RconChannel::Kind::Poll, this))
    , m_command(new RconChannel(RconChannel::Kind::Command, this))
    , m_chat(new RconChannel(RconChannel::Kind::Chat, this))
    , m_backgroundChat(new RconChannel(RconChannel::Kind::BackgroundChat, this)) {}

void RconChannels::closeAll() {
    for (RconChannel *channel : {m_poll, m_command, m_chat, m_backgroundChat})
        channel->closechannel();
}
