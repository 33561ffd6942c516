#include "chat/WatchStep.h"

#include "base/Intervals.h"
#include "base/Logging.h"
#include "chat/ChatLog.h"
#include "rcon/RconChannel.h"

WatchStep::WatchStep(const QString &programFolder, ServerChatLog::FailedSaves failedSaves,
                     QObject *parent)
    : QObject(parent)
    , m_channel(new RconChannel(channelProfile(), this))
    , m_log(new ServerChatLog(
          programFolder,
          QStringLiteral(" Fehler bei Background Chatempfang oder Speichern (Read4u)"), this,
          std::move(failedSaves))) {
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        fail(QStringLiteral("No answer within %1 ms (Timer12_s)").arg(m_timeout.interval()));
    });

    connect(m_channel, &RconChannel::completed, this,
            [this](const QString &body, const QString &) { onCompleted(body); });
    // The cursor has already moved on: one server that cannot be reached never holds the
    // watch back from the servers after it.
    connect(m_channel, &RconChannel::connectFailed, this,
            [this](StatusCode, const QString &message) {
                fail(QStringLiteral("chat_back") + message);
            });
    // The channel has written its own error entries for these.
    connect(m_channel, &RconChannel::refused, this,
            [this] { fail(QStringLiteral("chat_back") + statusWord(StatusCode::BadLogin)); });
    connect(m_channel, &RconChannel::sendFailed, this, [this] { fail(QString()); });
    connect(m_channel, &RconChannel::readFailed, this, [this] { fail(QString()); });
    connect(m_log, &ServerChatLog::message, this, &WatchStep::message);
}

WatchStep::~WatchStep() = default;

ChannelProfile WatchStep::channelProfile() {
    ChannelProfile profile;
    profile.connectTimeout = &Intervals::chatConnectTimeoutMs;
    profile.readTag = QStringLiteral(" (Read4o)");
    profile.tickTag = QStringLiteral(" (Timer12_s)");
    profile.tickEntryNamesFailure = true;
    profile.sendFailureTag = QStringLiteral(" (Timer4,getgamelog/chat)");
    profile.counter = &RequestId();
    return profile;
}

ChatLog *WatchStep::view() const {
    return m_log->view();
}

void WatchStep::start(const ServerSettings &server, const QString &command,
                      ChatLineProcessor::Mode mode) {
    abandon();
    m_channel->closechannel();
    m_server = server;
    m_mode = mode;
    m_running = true;
    // Writing the view over a file that could not be read would lose its lines.
    if (!m_log->open(server.name))
        qCWarning(lcError).noquote()
            << QStringLiteral("chat_back") + m_log->readError() + QStringLiteral(" (Read4u)");
    m_timeout.start(Intervals::instance().backgroundStepTimeoutMs);
    m_channel->openchannel(server.host, server.port, server.password, command);
}

void WatchStep::onCompleted(const QString &body) {
    if (!m_running)
        return;
    m_timeout.stop();
    m_log->process(body, m_mode);
    finish();
}

void WatchStep::fail(const QString &entry) {
    if (!m_running)
        return;
    if (!entry.isEmpty())
        qCWarning(lcError).noquote() << entry;
    m_channel->closechannel();
    finish();
}

void WatchStep::abandon() {
    if (!m_running)
        return;
    m_channel->closechannel();
    finish();
}

void WatchStep::finish() {
    m_running = false;
    m_timeout.stop();
    // The view is loaded again at the next start; meanwhile it holds no lines of its own.
    m_log->close();
    emit ended();
}
