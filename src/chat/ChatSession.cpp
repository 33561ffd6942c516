#include "chat/ChatSession.h"

#include "console/Console.h"
#include "base/Intervals.h"
#include "base/Logging.h"
#include "chat/BackgroundWatch.h"
#include "chat/ChatLog.h"
#include "chat/ServerLogFile.h"
#include "rcon/RconChannel.h"
#include "servers/ServerListModel.h"

#include <QDateTime>

namespace {
const QString kOnline = QStringLiteral("Online");
const QString kChatOnline = QStringLiteral("Chat/Online");
const QString kErase = QStringLiteral("Erase");

bool isPlainFileName(const QString &name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) &&
           !name.contains(QLatin1Char('\\')) && name != QLatin1String("..") &&
           name != QLatin1String(".");
}
} // namespace

ChatSession::ChatSession(Console *console, QObject *parent)
    : QObject(parent)
    , m_console(console)
    , m_channel(new RconChannel(RconChannel::Kind::Chat, this))
    , m_log(new ChatLog(this)) {
    m_rerequest.setSingleShot(true);
    m_rerequest.setInterval(Intervals::instance().chatRerequestMs);
    connect(&m_rerequest, &QTimer::timeout, this, &ChatSession::onRerequest);
    m_busyWait.setSingleShot(true);
    m_busyWait.setInterval(Intervals::instance().chatBusyWaitMs);
    connect(&m_busyWait, &QTimer::timeout, this, [this] {
        // The watch has kept the server too long: its step gives way to the chat.
        if (m_watch)
            m_watch->abandonStep();
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
    connect(console, &Console::resumed, this, &ChatSession::onResumed);
}

ChatSession::~ChatSession() = default;

void ChatSession::setBackgroundWatch(BackgroundWatch *watch) {
    if (m_watch)
        m_watch->disconnect(this);
    m_watch = watch;
    if (m_watch)
        connect(m_watch, &BackgroundWatch::watchedServerChanged, this,
                &ChatSession::onWatchedServerChanged);
}

void ChatSession::setPlayerSource(PlayerSource source) {
    m_playerSource = std::move(source);
}

QString ChatSession::chatLabel() const {
    return isOpen() ? m_server : offlineLabel();
}

QString ChatSession::offlineLabel() {
    return QStringLiteral("Channel offline");
}

QString ChatSession::requestCommand(int ggl) {
    return ggl == 1 ? QStringLiteral("Getchat") : QStringLiteral("GetGameLog");
}

ChatLineProcessor::Mode ChatSession::modeOf(int ggl) {
    return ggl == 1 ? ChatLineProcessor::Mode::Chat : ChatLineProcessor::Mode::GameLog;
}

QString ChatSession::logFilePath(const Console *console, const QString &serverName) {
    if (!isPlainFileName(serverName))
        return QString();
    return console->filePath(ServerLogFile::relativeName(serverName));
}

void ChatSession::Chat1Click(const QString &selectedServer) {
    if (selectedServer.isEmpty()) {
        chataus();
        return;
    }
    if (isWaiting())
        return;
    setMenuChecked(true);
    ServerListModel *servers = m_console->servers();
    const int row = servers->rowOfName(selectedServer);
    if (row < 0)
        return;
    const QString status = servers->entry(row).status;
    if (status == kChatOnline) {
        chataus();
        return;
    }
    if (status != kOnline)
        return;
    restoreChatRows();
    if (m_watch && m_watch->watchedServer() == selectedServer) {
        m_waitingFor = selectedServer;
        m_busyWait.start();
        emit waitingChanged(true);
        return;
    }
    openChat(selectedServer);
}

void ChatSession::onWatchedServerChanged(const QString &name) {
    if (isWaiting() && name != m_waitingFor)
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
    const int row = m_console->servers()->rowOfName(name);
    if (row < 0 || m_console->servers()->entry(row).status != kOnline) {
        chataus();
        return;
    }
    openChat(name);
}

void ChatSession::openChat(const QString &serverName) {
    ServerListModel *servers = m_console->servers();
    const int row = servers->rowOfName(serverName);
    const ServerEntry entry = servers->entry(row);

    m_channel->closechannel();
    m_rerequest.stop();
    m_server = serverName;
    m_log->setServerName(serverName);
    m_logPath = logFilePath(m_console, serverName);
    m_fileProtected = false;
    if (m_logPath.isEmpty()) {
        m_log->clear();
    } else {
        ServerLogFile file(m_logPath);
        if (!file.loadInto(*m_log)) {
            // Writing the view over an unreadable file would lose its lines.
            m_fileProtected = true;
            m_console->message(QStringLiteral("Chat logfile unreadable (") + serverName +
                               QStringLiteral("):  ") + file.errorString());
        }
    }

    m_requestPending = true;
    m_channel->openchannel(entry.host, entry.port, entry.password,
                           requestCommand(m_console->options().ggl));

    servers->setIcon(row, ServerIcon::ChatOpen);
    servers->setStatus(row, kChatOnline);
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
    m_log->clear();
    m_server.clear();
    m_logPath.clear();
    m_fileProtected = false;
    m_players.clear();
    emit chatPlayersChanged(m_players);
    setMenuChecked(false);
    emit chatClosed();
    restoreChatRows();
}

void ChatSession::restoreChatRows() {
    ServerListModel *servers = m_console->servers();
    for (int row = 0; row < servers->serverCount(); ++row) {
        if (servers->entry(row).icon != ServerIcon::ChatOpen)
            continue;
        servers->setIcon(row, ServerIcon::Online);
        if (servers->entry(row).status != kErase)
            servers->setStatus(row, kOnline);
    }
}

void ChatSession::setMenuChecked(bool checked) {
    if (m_menuChecked == checked)
        return;
    m_menuChecked = checked;
    emit menuCheckedChanged(checked);
}

void ChatSession::playertochat(const QString &serverName) {
    m_players.clear();
    if (isOpen() && serverName != offlineLabel() && m_playerSource) {
        for (const PlayerRecord &record : m_playerSource()) {
            if (record.server == serverName)
                m_players << record.name;
        }
    }
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
    m_log->clear();
    if (m_logPath.isEmpty())
        return true;
    ServerLogFile file(m_logPath);
    if (!file.remove()) {
        qCWarning(lcError).noquote() << file.errorString() + QStringLiteral(" (Delete logfile)");
        return false;
    }
    // The old file is gone, so the new lines may start a new one.
    m_fileProtected = false;
    return true;
}

void ChatSession::serverFailed(const QString &serverName) {
    if ((isOpen() && serverName == m_server) || (isWaiting() && serverName == m_waitingFor))
        chataus();
}

void ChatSession::onCompleted(const QString &body, const QString &command) {
    if (!isOpen())
        return;
    if (command == requestCommand(0) || command == requestCommand(1))
        m_requestPending = false;
    processBody(body);
    // Every answer may start the next request, but only one request cycle ever runs.
    if (isOpen() && !m_requestPending && !m_rerequest.isActive())
        m_rerequest.start();
}

void ChatSession::processBody(const QString &body) {
    const ChatLineProcessor::Result result =
        m_log->processBody(body, modeOf(m_console->options().ggl), QDateTime::currentDateTime());
    if (result.outcome == ChatLineProcessor::Outcome::KeepAlive) {
        const QString name = m_server;
        chataus();
        m_console->message(QStringLiteral("Chat timeout: ") + name);
        return;
    }
    // A block that ends with its line feed still added lines: they are written as well, or the
    // next opening would load the file without them.
    if (!result.saveWanted && result.lines.isEmpty())
        return;
    if (m_logPath.isEmpty() || m_fileProtected)
        return;
    ServerLogFile file(m_logPath);
    if (!file.save(*m_log))
        qCWarning(lcError).noquote() << file.errorString() + m_channel->handOffTag();
}

void ChatSession::onRerequest() {
    if (!isOpen() || m_requestPending)
        return;
    // A sleeping computer asks nothing; the request follows the resume.
    if (m_console->isSuspended())
        return;
    m_requestPending = true;
    m_channel->sendcommand(requestCommand(m_console->options().ggl));
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
    m_console->message(text);
    emit chatFailed(text);
}
