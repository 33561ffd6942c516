#include "chat/ChatSession.h"

#include "base/Intervals.h"
#include "base/Logging.h"
#include "base/ProgramState.h"
#include "chat/ChatLog.h"
#include "chat/LogSourceRequest.h"
#include "chat/ServerChatLog.h"
#include "rcon/RconChannel.h"
#include "servers/ServerListModel.h"

ChatSession::ChatSession(ServerListModel *servers, ProgramState *state,
                         const QString &programFolder, QObject *parent)
    : QObject(parent)
    , m_servers(servers)
    , m_state(state)
    , m_channel(new RconChannel(channelProfile(), this))
    , m_log(new ServerChatLog(
          programFolder, QStringLiteral(" Fehler bei Chatempfang oder Speichern (Read3u)"), this)) {
    m_rerequest.setSingleShot(true);
    m_rerequest.setInterval(Intervals::instance().chatRerequestMs);
    connect(&m_rerequest, &QTimer::timeout, this, &ChatSession::onRerequest);
    m_busyWait.setSingleShot(true);
    m_busyWait.setInterval(Intervals::instance().chatBusyWaitMs);
    connect(&m_busyWait, &QTimer::timeout, this, [this] {
        // The watch has kept the server too long: its step gives way to the chat.
        emit serverWanted(m_waitingFor);
        finishWait();
    });

    connect(m_channel, &RconChannel::completed, this, &ChatSession::onCompleted);
    connect(m_channel, &RconChannel::connectFailed, this,
            [this](StatusCode code, const QString &message) {
                qCWarning(lcError).noquote() << QStringLiteral("chat") + message;
                failChat(message.isEmpty() ? statusWord(code) : message);
            });
    connect(m_channel, &RconChannel::refused, this,
            [this] { failChat(statusWord(StatusCode::BadLogin)); });
    connect(m_channel, &RconChannel::sendFailed, this,
            [this](const QString &message, const QString &) { failChat(message); });
    connect(m_channel, &RconChannel::readFailed, this, &ChatSession::failChat);
    connect(m_log, &ServerChatLog::message, this, &ChatSession::message);
    connect(m_state, &ProgramState::resumed, this, &ChatSession::onResumed);
}

ChatSession::~ChatSession() = default;

ChannelProfile ChatSession::channelProfile() {
    ChannelProfile profile;
    profile.connectTimeout = &Intervals::chatConnectTimeoutMs;
    profile.readTag = QStringLiteral(" (Read3o)");
    profile.tickTag = QStringLiteral(" (Timer7_s)");
    profile.tickEntryNamesFailure = true;
    profile.sendFailureTag = QStringLiteral(" (Timer3,getgamelog/chat)");
    profile.counter = &RequestId();
    return profile;
}

void ChatSession::setPlayerSource(PlayerSource source) {
    m_playerSource = std::move(source);
}

ChatLog *ChatSession::chatLog() const {
    return m_log->view();
}

QString ChatSession::chatLabel() const {
    return isOpen() ? m_server : offlineLabel();
}

QString ChatSession::offlineLabel() {
    return QStringLiteral("Channel offline");
}

void ChatSession::Chat1Click(const QString &selectedServer) {
    if (selectedServer.isEmpty()) {
        chataus();
        return;
    }
    if (isWaiting())
        return;
    setMenuChecked(true);
    const int row = m_servers->rowOfName(selectedServer);
    if (row < 0)
        return;
    const ServerState state = m_servers->entry(row).state;
    if (state == ServerState::ChatOnline) {
        chataus();
        return;
    }
    if (state != ServerState::Online)
        return;
    m_servers->endChatState();
    if (m_watchedServers.contains(selectedServer)) {
        m_waitingFor = selectedServer;
        m_busyWait.start();
        emit waitingChanged(true);
        return;
    }
    openChat(selectedServer);
}

void ChatSession::watchStepStarted(const QString &serverName) {
    m_watchedServers.insert(serverName);
}

void ChatSession::watchStepEnded(const QString &serverName) {
    m_watchedServers.remove(serverName);
    if (isWaiting() && serverName == m_waitingFor)
        finishWait();
}

void ChatSession::finishWait() {
    if (!isWaiting())
        return;
    const QString name = m_waitingFor;
    m_waitingFor.clear();
    m_busyWait.stop();
    emit waitingChanged(false);
    // The poll cycle may have failed or removed the server meanwhile.
    const int row = m_servers->rowOfName(name);
    if (row < 0 || m_servers->entry(row).state != ServerState::Online) {
        chataus();
        return;
    }
    openChat(name);
}

void ChatSession::openChat(const QString &serverName) {
    const int row = m_servers->rowOfName(serverName);
    const ServerEntry entry = m_servers->entry(row);

    m_channel->closechannel();
    m_rerequest.stop();
    m_server = serverName;
    // An unreadable file is kept as it is: the view starts empty and is not written over it.
    if (!m_log->open(serverName))
        emit message(QStringLiteral("Chat logfile unreadable (") + serverName +
                     QStringLiteral("):  ") + m_log->readError());

    m_requestPending = true;
    m_channel->openchannel(entry.settings.host, entry.settings.port, entry.settings.password,
                           LogSourceRequest::command(m_state->options().logSource));

    m_servers->setState(row, ServerState::ChatOnline);
    emit chatOpened(serverName);
    playertochat(serverName);
}

void ChatSession::chataus() {
    if (isWaiting()) {
        m_waitingFor.clear();
        m_busyWait.stop();
        emit waitingChanged(false);
    }
    m_channel->closechannel();
    m_rerequest.stop();
    m_requestPending = false;
    m_log->close();
    m_server.clear();
    m_players.clear();
    emit chatPlayersChanged(m_players);
    setMenuChecked(false);
    emit chatClosed();
    m_servers->endChatState();
}

void ChatSession::setMenuChecked(bool checked) {
    if (m_menuChecked == checked)
        return;
    m_menuChecked = checked;
    emit menuCheckedChanged(checked);
}

void ChatSession::playertochat(const QString &serverName) {
    m_players.clear();
    if (isOpen() && serverName != offlineLabel() && m_playerSource)
        m_players = m_playerSource(serverName);
    emit chatPlayersChanged(m_players);
}

void ChatSession::refreshPlayers() {
    playertochat(chatLabel());
}

bool ChatSession::sendChat(const QString &text, const QString &chatName) {
    QString line = text;
    line.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    if (line.isEmpty() ||
        !send(QStringLiteral("ServerChat (") + chatName + QStringLiteral("): ") + line))
        return false;
    emit scrollToEndRequested();
    return true;
}

bool ChatSession::sendBroadcast(const QString &text) {
    QString line = text;
    line.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
    return !line.isEmpty() && send(QStringLiteral("Broadcast ") + line);
}

bool ChatSession::send(const QString &command) {
    // A closed chat has nothing to send on; its input is disabled anyway.
    if (!isOpen())
        return false;
    // The channel holds it back while a request is in flight, and reports a dead channel.
    m_channel->sendcommand(command);
    return true;
}

bool ChatSession::deleteLogfile() {
    if (!isOpen())
        return false;
    QString error;
    if (m_log->deleteFile(&error))
        return true;
    qCWarning(lcError).noquote() << error + QStringLiteral(" (Delete logfile)");
    return false;
}

void ChatSession::serverFailed(const QString &serverName) {
    if ((isOpen() && serverName == m_server) || (isWaiting() && serverName == m_waitingFor))
        chataus();
}

void ChatSession::onCompleted(const QString &body, const QString &command) {
    if (!isOpen())
        return;
    if (LogSourceRequest::isRequest(command))
        m_requestPending = false;
    processBody(body);
    // Every answer may start the next request, but only one request cycle ever runs.
    if (isOpen() && !m_requestPending && !m_rerequest.isActive())
        m_rerequest.start();
}

void ChatSession::processBody(const QString &body) {
    const ChatLineProcessor::Result result =
        m_log->process(body, LogSourceRequest::mode(m_state->options().logSource));
    if (result.outcome == ChatLineProcessor::Outcome::KeepAlive) {
        const QString name = m_server;
        chataus();
        emit message(QStringLiteral("Chat timeout: ") + name);
    }
}

void ChatSession::onRerequest() {
    if (!isOpen() || m_requestPending)
        return;
    // A sleeping computer asks nothing; the request follows the resume.
    if (m_state->isSuspended())
        return;
    m_requestPending = true;
    m_channel->sendcommand(LogSourceRequest::command(m_state->options().logSource));
}

void ChatSession::onResumed() {
    if (isOpen() && !m_requestPending && !m_rerequest.isActive())
        m_rerequest.start();
}

void ChatSession::failChat(const QString &reason) {
    if (!isOpen())
        return;
    const QString text =
        QStringLiteral("Chat closed (") + m_server + QStringLiteral("):  ") + reason;
    chataus();
    emit message(text);
    emit chatFailed(text);
}
