#include "console/Console.h"

#include "base/Intervals.h"
#include "base/Logging.h"
#include "base/PowerMonitor.h"
#include "base/ProgramLog.h"
#include "chat/BackgroundWatch.h"
#include "chat/ChatSession.h"
#include "notify/Notifier.h"
#include "monitor/PlayerListModel.h"
#include "monitor/PlayerTracker.h"
#include "monitor/PollCycle.h"
#include "servers/ServerListModel.h"

#include <QDir>
#include <QFile>

Console::Console(const QString &folder, QObject *parent)
    : QObject(parent)
    , m_folder(folder)
    , m_log(new ProgramLog(folder + QStringLiteral("/logs"), this))
    , m_servers(new ServerListModel(folder + QStringLiteral("/server.dat"), this))
    , m_power(new PowerMonitor(this))
    , m_players(new PlayerTracker(this))
    , m_playerList(new PlayerListModel(m_players, this))
    , m_poll(new PollCycle(this, m_players, this))
    , m_notifier(new Notifier(m_options, this))
    , m_watch(new BackgroundWatch(this, this))
    , m_chat(new ChatSession(this, this)) {
    m_logSaveTimer.setInterval(Intervals::instance().logSaveMs);
    connect(&m_logSaveTimer, &QTimer::timeout, m_log, &ProgramLog::saveIfChanged);
    connect(m_servers, &ServerListModel::message, this, &Console::message);
    connect(m_power, &PowerMonitor::suspending, this, &Console::onSuspending);
    connect(m_power, &PowerMonitor::resumed, this, &Console::onResumed);

    connect(m_players, &PlayerTracker::message, this, &Console::message);
    connect(this, &Console::suspended, m_poll, &PollCycle::suspend);
    connect(this, &Console::resumed, m_poll, &PollCycle::resume);
    connect(this, &Console::pollChannelCloseRequested, m_poll, &PollCycle::closeChannel);
    connect(this, &Console::aboutToExit, this, &Console::endMonitoring);

    m_notifier->setFirstPassCheck([this] { return m_firstPass; });
    connect(m_poll, &PollCycle::notificationRaised, m_notifier, &Notifier::playerinfo);
    connect(m_players, &PlayerTracker::notificationRaised, m_notifier, &Notifier::playerinfo);
    connect(m_players, &PlayerTracker::playerCountChanged, m_notifier,
            &Notifier::playerCountChanged);

    m_chat->setBackgroundWatch(m_watch);
    m_chat->setPlayerSource([list = m_playerList] { return list->entries(); });
    connect(m_players, &PlayerTracker::playerListRebuilt, m_chat, &ChatSession::refreshPlayers);
    connect(m_poll, &PollCycle::chatCloseRequested, m_chat, &ChatSession::serverFailed);
    connect(m_poll, &PollCycle::firstPassEnded, m_watch, &BackgroundWatch::start);
}

Console::~Console() = default;

QString Console::filePath(const QString &relativeName) const {
    return m_folder + QLatin1Char('/') + relativeName;
}

void Console::createFolders() {
    QDir().mkpath(m_log->logsDir());
}

void Console::loadServerList() {
    QString error;
    if (!m_servers->load(&error))
        message(error);
}

void Console::loadProgramLog() {
    // A chat log written while no chat was open has no server to belong to.
    QFile::remove(filePath(QStringLiteral("logs/Channel offline.log")));
    m_log->load();
    m_logLoaded = true;
    for (const QString &text : std::as_const(m_heldMessages))
        m_log->message(text);
    m_heldMessages.clear();
}

void Console::finishStartUp() {
    m_logSaveTimer.start();
    m_started = true;
}

void Console::shutDown() {
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_logSaveTimer.stop();
    if (!m_logLoaded)
        return; // never write an empty log over the one that was not loaded yet
    emit aboutToExit();
    m_log->savelog();
}

void Console::endMonitoring() {
    m_poll->stop();
    m_watch->stop();
    m_chat->chataus();
    for (const QString &line : m_playerList->programExitLines())
        message(line);
}

void Console::masterFailure(const QString &message, const QString &where) {
    emit pollChannelCloseRequested();
    m_log->log(QLatin1Char('e'), message + QStringLiteral(" (Master) ") + where);
}

void Console::message(const QString &text) {
    if (m_logLoaded)
        m_log->message(text);
    else
        m_heldMessages << text;
}

QString Console::serversOnlineText() const {
    int online = 0;
    for (const auto &entry : m_servers->entries()) {
        if (entry.status.contains(QLatin1String("Online")))
            ++online;
    }
    return tr("%1/%2 Server online").arg(online).arg(m_servers->serverCount());
}

void Console::onSuspending() {
    m_suspended = true;
    emit suspended();
}

void Console::onResumed() {
    m_suspended = false;
    emit resumed();
}
