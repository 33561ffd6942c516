#include "chat/BackgroundWatch.h"

#include "console/Console.h"
#include "base/Intervals.h"
#include "base/Logging.h"
#include "chat/ChatLog.h"
#include "chat/ChatSession.h"
#include "chat/ServerLogFile.h"
#include "rcon/RconChannel.h"
#include "servers/ServerListModel.h"

#include <QDateTime>
#include <QLocale>

BackgroundWatch::BackgroundWatch(Console *console, QObject *parent)
    : QObject(parent)
    , m_console(console)
    , m_channel(new RconChannel(RconChannel::Kind::BackgroundChat, this))
    , m_log(new ChatLog(this)) {
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
    m_statusText = optionOn() ? idleText() : QString();
}

BackgroundWatch::~BackgroundWatch() = default;

QString BackgroundWatch::idleText() {
    return QStringLiteral("Get chat in background");
}

bool BackgroundWatch::optionOn() const {
    return m_console->options().getbchat == 1;
}

void BackgroundWatch::start() {
    m_started = true;
    if (!m_stepTimer.isActive() && !isStepRunning())
        m_stepTimer.start();
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
    if (!m_started || !optionOn() || isHeld() || m_console->isSuspended() || isStepRunning())
        return;
    m_stepTimer.stop();
    ServerListModel *servers = m_console->servers();
    const int count = servers->serverCount();
    if (count == 0) {
        m_cursor = 0;
        m_stepTimer.start();
        return;
    }
    // Servers removed since the last step leave the cursor past the end.
    if (m_cursor >= count)
        m_cursor = 0;
    const ServerEntry entry = servers->entry(m_cursor);
    advanceCursor(count);
    if (entry.status != QLatin1String("Online")) {
        m_stepTimer.start();
        return;
    }

    m_channel->closechannel();
    setWatchedServer(entry.name);
    const QLocale locale;
    const QDateTime now = QDateTime::currentDateTime();
    setStatusText(idleText() + QStringLiteral(" (") + entry.name + QStringLiteral(") ") +
                  locale.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
                  locale.toString(now.time(), QLocale::LongFormat));

    m_log->setServerName(entry.name);
    m_logPath = ChatSession::logFilePath(m_console, entry.name);
    m_fileProtected = false;
    if (m_logPath.isEmpty()) {
        m_log->clear();
    } else {
        ServerLogFile file(m_logPath);
        // Writing the view over a file that could not be read would lose its lines.
        m_fileProtected = !file.loadInto(*m_log);
        if (m_fileProtected)
            qCWarning(lcError).noquote()
                << QStringLiteral("chat_back") + file.errorString() + QStringLiteral(" (Read4u)");
    }
    m_stepTimeout.start();
    m_channel->openchannel(entry.host, entry.port, entry.password,
                           ChatSession::requestCommand(m_console->options().ggl));
}

void BackgroundWatch::advanceCursor(int serverCount) {
    m_cursor = m_cursor + 1 >= serverCount ? 0 : m_cursor + 1;
}

void BackgroundWatch::onCompleted(const QString &body) {
    if (!isStepRunning())
        return;
    m_stepTimeout.stop();
    const ChatLineProcessor::Result result = m_log->processBody(
        body, ChatSession::modeOf(m_console->options().ggl), QDateTime::currentDateTime());
    // A block that ends with its line feed still added lines; the next step reloads the file.
    const bool write = result.saveWanted || !result.lines.isEmpty();
    if (write && !m_logPath.isEmpty() && !m_fileProtected) {
        ServerLogFile file(m_logPath);
        if (!file.save(*m_log))
            qCWarning(lcError).noquote() << file.errorString() + m_channel->handOffTag();
    }
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

void BackgroundWatch::endStep() {
    m_stepTimeout.stop();
    const QString name = m_watchedServer;
    setWatchedServer(QString());
    setStatusText(optionOn() ? idleText() : QString());
    if (m_started)
        m_stepTimer.start();
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
