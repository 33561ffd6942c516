#include "chat/BackgroundWatch.h"

#include "base/Clock.h"
#include "base/Intervals.h"
#include "base/Logging.h"
#include "base/ProgramState.h"
#include "chat/ChatLog.h"
#include "chat/LogSourceRequest.h"
#include "chat/ServerChatLog.h"
#include "rcon/RconChannel.h"
#include "servers/ServerListModel.h"

#include <QLocale>

#include <algorithm>

BackgroundWatch::BackgroundWatch(ServerListModel *servers, ProgramState *state,
                                 const QString &programFolder, QObject *parent)
    : QObject(parent)
    , m_servers(servers)
    , m_state(state)
    , m_channel(new RconChannel(channelProfile(), this))
    , m_log(new ServerChatLog(
          programFolder,
          QStringLiteral(" Fehler bei Background Chatempfang oder Speichern (Read4u)"), this)) {
    m_stepTimer.setInterval(Intervals::instance().backgroundStepMs);
    connect(&m_stepTimer, &QTimer::timeout, this, &BackgroundWatch::Timer13Timer);
    m_stepTimeout.setSingleShot(true);
    m_stepTimeout.setInterval(Intervals::instance().backgroundStepTimeoutMs);
    connect(&m_stepTimeout, &QTimer::timeout, this, [this] {
        failStep(QStringLiteral("No answer within %1 ms (Timer12_s)")
                     .arg(Intervals::instance().backgroundStepTimeoutMs));
    });

    connect(m_channel, &RconChannel::completed, this,
            [this](const QString &body, const QString &) { onCompleted(body); });
    connect(m_channel, &RconChannel::connectFailed, this, &BackgroundWatch::onConnectFailed);
    // The channel has written its own error entries for these.
    connect(m_channel, &RconChannel::refused, this,
            [this] { failStep(QStringLiteral("chat_back") + statusWord(StatusCode::BadLogin)); });
    connect(m_channel, &RconChannel::sendFailed, this, [this] { failStep(QString()); });
    connect(m_channel, &RconChannel::readFailed, this, [this] { failStep(QString()); });
    connect(m_log, &ServerChatLog::message, this, &BackgroundWatch::message);
    connect(m_state, &ProgramState::firstPassEnded, this, &BackgroundWatch::start);
    connect(m_state, &ProgramState::optionsChanged, this, &BackgroundWatch::optionsChanged);
    m_statusText = optionOn() ? idleText() : QString();
}

ChatLog *BackgroundWatch::watchLog() const {
    return m_log->view();
}

BackgroundWatch::~BackgroundWatch() = default;

ChannelProfile BackgroundWatch::channelProfile() {
    ChannelProfile profile;
    profile.connectTimeout = &Intervals::chatConnectTimeoutMs;
    profile.readTag = QStringLiteral(" (Read4o)");
    profile.tickTag = QStringLiteral(" (Timer12_s)");
    profile.tickEntryNamesFailure = true;
    profile.sendFailureTag = QStringLiteral(" (Timer4,getgamelog/chat)");
    profile.counter = &RequestId();
    return profile;
}

QString BackgroundWatch::idleText() {
    return QStringLiteral("Get chat in background");
}

bool BackgroundWatch::optionOn() const {
    return m_state->options().backgroundChat;
}

void BackgroundWatch::start() {
    m_started = true;
    if (!m_stepTimer.isActive() && !isStepRunning())
        m_stepTimer.start(stepSlotMs());
}

void BackgroundWatch::stop() {
    m_started = false;
    m_stepTimer.stop();
    m_stepTimeout.stop();
    m_channel->closechannel();
    setWatchedServer(QString());
}

void BackgroundWatch::hold() {
    ++m_holds;
}

void BackgroundWatch::release() {
    if (m_holds > 0)
        --m_holds;
}

void BackgroundWatch::optionsChanged() {
    if (!isStepRunning())
        setStatusText(optionOn() ? idleText() : QString());
}

void BackgroundWatch::Timer13Timer() {
    if (!m_started || !optionOn() || isHeld() || m_state->isSuspended() || isStepRunning())
        return;
    m_stepTimer.stop();
    ServerListModel *servers = m_servers;
    const int count = servers->serverCount();
    if (count == 0) {
        m_cursor = 0;
        m_stepTimer.start(stepSlotMs());
        return;
    }
    // Servers removed since the last step leave the cursor past the end.
    if (m_cursor >= count)
        m_cursor = 0;
    const ServerEntry entry = servers->entry(m_cursor);
    advanceCursor(count);
    // A server whose chat is open ("Chat/Online") is the chat's to keep.
    if (entry.state != ServerState::Online) {
        m_stepTimer.start(stepSlotMs());
        return;
    }
    m_stepClock.start();

    m_channel->closechannel();
    setWatchedServer(entry.settings.name);
    const QLocale locale;
    const QDateTime now = Clock::now();
    // The short date and the long time, without the time zone that the long format carries.
    const QString timeFormat = locale.timeFormat(QLocale::LongFormat).remove(QLatin1Char('t'));
    setStatusText(idleText() + QStringLiteral(" (") + entry.settings.name + QStringLiteral(") ") +
                  locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                  locale.toString(now.time(), timeFormat.trimmed()));

    // Writing the view over a file that could not be read would lose its lines.
    if (!m_log->open(entry.settings.name))
        qCWarning(lcError).noquote()
            << QStringLiteral("chat_back") + m_log->readError() + QStringLiteral(" (Read4u)");
    m_stepTimeout.start();
    m_channel->openchannel(entry.settings.host, entry.settings.port, entry.settings.password,
                           LogSourceRequest::command(m_state->options().logSource));
}

int BackgroundWatch::stepSlotMs() const {
    const Intervals &intervals = Intervals::instance();
    // 10 s from one step to the next, unless the list is too long for every server to have its
    // turn within the round.
    return std::min(intervals.backgroundStepMs,
                    intervals.backgroundRoundMs / std::max(1, m_servers->serverCount()));
}

void BackgroundWatch::advanceCursor(int serverCount) {
    m_cursor = m_cursor + 1 >= serverCount ? 0 : m_cursor + 1;
}

void BackgroundWatch::onCompleted(const QString &body) {
    if (!isStepRunning())
        return;
    m_stepTimeout.stop();
    m_log->process(body, LogSourceRequest::mode(m_state->options().logSource));
    endStep();
}

void BackgroundWatch::onConnectFailed(StatusCode, const QString &message) {
    if (!isStepRunning())
        return;
    // The cursor has already moved on: one server that cannot be reached never holds the
    // watch back from the servers after it.
    failStep(QStringLiteral("chat_back") + message);
}

void BackgroundWatch::failStep(const QString &entry) {
    if (!isStepRunning())
        return;
    if (!entry.isEmpty())
        qCWarning(lcError).noquote() << entry;
    m_channel->closechannel();
    endStep();
}

void BackgroundWatch::abandonStep() {
    if (!isStepRunning())
        return;
    m_channel->closechannel();
    endStep();
}

void BackgroundWatch::giveWay(const QString &serverName) {
    if (m_watchedServer == serverName)
        abandonStep();
}

void BackgroundWatch::endStep() {
    m_stepTimeout.stop();
    const QString name = m_watchedServer;
    setWatchedServer(QString());
    setStatusText(optionOn() ? idleText() : QString());
    if (m_started) {
        const int slot = stepSlotMs();
        // A long list has its turns shortened by the time its exchanges take.
        m_stepTimer.start(slot >= Intervals::instance().backgroundStepMs
                              ? slot
                              : int(std::max<qint64>(0, slot - m_stepClock.elapsed())));
    }
    emit stepEnded(name);
}

void BackgroundWatch::setWatchedServer(const QString &name) {
    if (m_watchedServer == name)
        return;
    m_watchedServer = name;
    emit watchedServerChanged(name);
}

void BackgroundWatch::setStatusText(const QString &text) {
    if (m_statusText == text)
        return;
    m_statusText = text;
    emit statusTextChanged(text);
}
