#include "console/Console.h"

#include "base/Intervals.h"
#include "base/Logging.h"
#include "base/PowerMonitor.h"
#include "base/PrivateFiles.h"
#include "base/ProgramLog.h"
#include "base/ProgramState.h"
#include "chat/BackgroundWatch.h"
#include "chat/ChatSession.h"
#include "commands/BanListModel.h"
#include "commands/CommandHistory.h"
#include "commands/CommandQueue.h"
#include "commands/CommandSender.h"
#include "commands/ConsoleSession.h"
#include "commands/QueueModel.h"
#include "commands/QueueScheduler.h"
#include "commands/ScriptFolder.h"
#include "commands/SenderPort.h"
#include "console/ServerEditor.h"
#include "console/Settings.h"
#include "monitor/PlayerListModel.h"
#include "monitor/PlayerTracker.h"
#include "monitor/PollCycle.h"
#include "notify/Notifier.h"
#include "notify/WebhookPoster.h"
#include "schedules/ScheduleRunner.h"
#include "servers/ServerListModel.h"
#include "stats/StatisticsRunner.h"
#include "update/UpdateService.h"

#include <QCoreApplication>
#include <QFile>

Console::Console(const QString &folder, QObject *parent)
    : QObject(parent)
    , m_folder(folder)
    , m_state(new ProgramState(this))
    , m_log(new ProgramLog(folder + QStringLiteral("/logs"), this))
    , m_servers(new ServerListModel(folder + QStringLiteral("/server.dat"), this))
    , m_power(new PowerMonitor(this))
    , m_players(new PlayerTracker(this))
    , m_playerList(new PlayerListModel(m_players, this))
    , m_poll(new PollCycle(m_servers, m_players, m_state, folder, this))
    , m_notifier(new Notifier(m_state, this))
    , m_webhook(new WebhookPoster(this))
    , m_settings(new Settings(settingsPath(), m_state, m_webhook, this))
    , m_watch(new BackgroundWatch(m_servers, m_state, folder, this))
    , m_chat(new ChatSession(m_servers, m_state, folder, this))
    , m_commands(new CommandSender(m_servers, m_state, this))
    , m_queue(new CommandQueue(folder, this))
    , m_queueModel(new QueueModel(m_queue, this))
    , m_scheduler(new QueueScheduler(m_queue, m_servers, m_commands, m_state, this))
    , m_scripts(new ScriptFolder(folder, this))
    , m_schedules(new ScheduleRunner(folder, m_queue, m_servers, m_scripts, this))
    , m_updates(new UpdateService(settingsPath(), QCoreApplication::applicationFilePath(), this))
    , m_editor(new ServerEditor(
          {m_servers, m_log, m_state, m_poll, m_watch, m_chat, m_players, folder}, this))
    , m_statistics(new StatisticsRunner(m_log->logsDir(), this))
    , m_history(new CommandHistory(filePath(QStringLiteral("console_history.txt")), this))
    , m_consolePort(new SenderPort(m_commands, this))
    , m_consoleSession(new ConsoleSession(m_servers, m_consolePort, m_history, this))
    , m_bans(new BanListModel(m_log, this))
    , m_queueColumnWidths(WindowLayout().lv4col) {
    m_logSaveTimer.setInterval(Intervals::instance().logSaveMs);
    connect(&m_logSaveTimer, &QTimer::timeout, m_log, &ProgramLog::saveIfChanged);
    connect(m_power, &PowerMonitor::suspending, m_state, [this] { m_state->setSuspended(true); });
    connect(m_power, &PowerMonitor::resumed, m_state, [this] { m_state->setSuspended(false); });

    connect(m_servers, &ServerListModel::message, this, &Console::message);
    connect(m_players, &PlayerTracker::message, this, &Console::message);
    connect(m_poll, &PollCycle::message, this, &Console::message);
    connect(m_chat, &ChatSession::message, this, &Console::message);
    connect(m_watch, &BackgroundWatch::message, this, &Console::message);
    connect(m_commands, &CommandSender::message, this, &Console::message);
    connect(m_queue, &CommandQueue::message, this, &Console::message);
    connect(m_scheduler, &QueueScheduler::message, this, &Console::message);
    connect(m_editor, &ServerEditor::message, this, &Console::message);
    connect(m_editor, &ServerEditor::serverRenamed, this, &Console::serverRenamed);
    connect(this, &Console::serverRenamed, m_queue, &CommandQueue::renameServer);
    connect(this, &Console::serverRenamed, m_commands, &CommandSender::renameServer);
    connect(this, &Console::serverRenamed, m_schedules, &ScheduleRunner::renameServer);
    connect(m_schedules, &ScheduleRunner::message, this, &Console::message);
    connect(m_statistics, &StatisticsRunner::message, this, &Console::message);
    connect(m_history, &CommandHistory::message, this, &Console::message);
    connect(m_consoleSession, &ConsoleSession::message, this, &Console::message);
    connect(m_consoleSession, &ConsoleSession::record, this, [this](const QString &text) {
        if (m_logLoaded)
            m_log->record(text);
        else
            m_heldMessages << text;
    });

    connect(this, &Console::pollChannelCloseRequested, m_poll, &PollCycle::closeChannel);
    connect(this, &Console::aboutToExit, this, &Console::endMonitoring);

    connect(m_poll, &PollCycle::notificationRaised, m_notifier, &Notifier::playerinfo);
    connect(m_players, &PlayerTracker::notificationRaised, m_notifier, &Notifier::playerinfo);
    connect(m_players, &PlayerTracker::playerCountChanged, m_notifier,
            &Notifier::playerCountChanged);
    connect(m_poll, &PollCycle::notifiedEventLogged, m_webhook, &WebhookPoster::post);
    connect(m_players, &PlayerTracker::notifiedEventLogged, m_webhook, &WebhookPoster::post);
    connect(m_webhook, &WebhookPoster::message, this, &Console::message);
    connect(m_settings, &Settings::message, this, &Console::message);
    m_queue->setColumnWidthSource([this] { return m_queueColumnWidths; });

    // The chat opening waits while a watch step is under way on the chosen server.
    connect(m_watch, &BackgroundWatch::stepStarted, m_chat, &ChatSession::watchStepStarted);
    connect(m_watch, &BackgroundWatch::stepEnded, m_chat, &ChatSession::watchStepEnded);
    connect(m_chat, &ChatSession::serverWanted, m_watch, &BackgroundWatch::abandonStep);
    m_chat->setPlayerSource([list = m_playerList](const QString &server) {
        QStringList names;
        for (const PlayerRecord &record : list->entries()) {
            if (record.server == server)
                names << record.name;
        }
        return names;
    });
    connect(m_players, &PlayerTracker::playerListRebuilt, m_chat, &ChatSession::refreshPlayers);
    connect(m_poll, &PollCycle::chatCloseRequested, m_chat, &ChatSession::serverFailed);
}

Console::~Console() {
    if (m_started)
        PrivateFiles::setReporter({});
}

const AppSettings::Values &Console::startSettings() const {
    return m_settings->startValues();
}

bool Console::hadSettingsFile() const {
    return m_settings->hadFile();
}

QString Console::filePath(const QString &relativeName) const {
    return m_folder + QLatin1Char('/') + relativeName;
}

void Console::start() {
    if (m_started)
        return;
    m_started = true;
    PrivateFiles::setReporter([this](const QString &path, QFileDevice::Permissions was) {
        // Queued: the write that found the file may be a save of the program log itself.
        QMetaObject::invokeMethod(
            this, [this, text = PrivateFiles::notice(path, m_folder, was)] { message(text); },
            Qt::QueuedConnection);
    });
    PrivateFiles::makeFolder(m_log->logsDir());
    PrivateFiles::tightenFolder(m_folder);
    m_state->setFirstPass(true);
    const bool hadFile = m_settings->load();
    const AppSettings::Values &settings = m_settings->startValues();
    // Without a file the list keeps its own start: the player count, ascending, no icon.
    if (hadFile)
        m_servers->setSortState(settings.layout.lv2lastsort, settings.layout.lv2lastimage);
    loadServerList();
    loadProgramLog();
    m_poll->Startles();
    m_logSaveTimer.start();
    m_scripts->ListscriptDir();
    m_history->load();
    m_queueColumnWidths = settings.layout.lv4col;
    m_queue->LoadQueue();
    m_queueColumnWidths = m_queue->loadedColumnWidths().value_or(m_queueColumnWidths);
    m_schedules->load();
    m_schedules->start();
    m_scheduler->start();
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

void Console::shutDown(const WindowLayout &layout, const QString &chatName) {
    finish(&layout, chatName);
}

void Console::shutDown() {
    finish(nullptr, QString());
}

void Console::finish(const WindowLayout *layout, const QString &chatName) {
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_logSaveTimer.stop();
    if (!m_started)
        return; // nothing was loaded, so nothing may be written over the files
    if (layout)
        m_settings->saveLayout(*layout, chatName);
    emit aboutToExit();
#ifdef Q_OS_WIN
    QFile::remove(QStringLiteral("speech.vbs"));
#endif
    m_schedules->stop();
    m_scheduler->stop();
    m_commands->stop();
    m_log->savelog();
    if (layout)
        m_queueColumnWidths = layout->lv4col;
    m_queue->SaveQueue();
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
