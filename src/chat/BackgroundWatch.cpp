#include "chat/BackgroundWatch.h"

#include "base/Clock.h"
#include "base/Intervals.h"
#include "base/ProgramState.h"
#include "chat/LogSourceRequest.h"
#include "chat/WatchStep.h"
#include "rcon/ChannelProfile.h"
#include "servers/ServerListModel.h"

#include <QLocale>

#include <algorithm>

BackgroundWatch::BackgroundWatch(ServerListModel *servers, ProgramState *state,
                                 const QString &programFolder, QObject *parent)
    : QObject(parent)
    , m_servers(servers)
    , m_state(state) {
    const Intervals &intervals = Intervals::instance();
    // A file that cannot be written is told once, whichever step wrote it.
    const ServerChatLog::FailedSaves failedSaves = std::make_shared<QSet<QString>>();
    for (int i = 0; i < std::max(1, intervals.watchConcurrency); ++i) {
        auto *step = new WatchStep(programFolder, failedSaves, this);
        connect(step, &WatchStep::ended, this, [this, step] { onStepEnded(step); });
        connect(step, &WatchStep::message, this, &BackgroundWatch::message);
        m_steps << step;
    }
    m_stepTimer.setInterval(intervals.backgroundStepMs);
    connect(&m_stepTimer, &QTimer::timeout, this, &BackgroundWatch::Timer13Timer);
    connect(m_state, &ProgramState::firstPassEnded, this, &BackgroundWatch::start);
    connect(m_state, &ProgramState::optionsChanged, this, &BackgroundWatch::optionsChanged);
    m_statusText = optionOn() ? idleText() : QString();
}

BackgroundWatch::~BackgroundWatch() = default;

ChannelProfile BackgroundWatch::channelProfile() {
    return WatchStep::channelProfile();
}

QString BackgroundWatch::idleText() {
    return QStringLiteral("Get chat in background");
}

ChatLog *BackgroundWatch::watchLog(const QString &serverName) const {
    for (const WatchStep *step : std::as_const(m_running)) {
        if (step->serverName() == serverName)
            return step->view();
    }
    return nullptr;
}

QStringList BackgroundWatch::watchedServers() const {
    QStringList names;
    for (const WatchStep *step : std::as_const(m_running))
        names << step->serverName();
    return names;
}

bool BackgroundWatch::isWatching(const QString &serverName) const {
    return std::any_of(m_running.cbegin(), m_running.cend(),
                       [&serverName](const WatchStep *s) { return s->serverName() == serverName; });
}

bool BackgroundWatch::optionOn() const {
    return m_state->options().backgroundChat;
}

void BackgroundWatch::start() {
    m_started = true;
    if (!m_stepTimer.isActive() && !m_slotWaiting)
        m_stepTimer.start(stepSlotMs());
}

void BackgroundWatch::stop() {
    m_started = false;
    m_stepTimer.stop();
    m_slotWaiting = false;
    for (WatchStep *step : std::as_const(m_steps))
        step->abandon();
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

void BackgroundWatch::abandonStep(const QString &serverName) {
    for (WatchStep *step : std::as_const(m_steps)) {
        if (step->isRunning() && step->serverName() == serverName)
            step->abandon();
    }
}

void BackgroundWatch::keepTicking() {
    m_slotWaiting = false;
    if (!m_stepTimer.isActive())
        m_stepTimer.start(stepSlotMs());
}

void BackgroundWatch::Timer13Timer() {
    if (!m_started)
        return;
    if (!optionOn() || isHeld() || m_state->isSuspended()) {
        keepTicking(); // the next tick tries again
        return;
    }
    WatchStep *step = freeStep();
    if (!step) {
        m_stepTimer.stop();
        m_slotWaiting = true;
        return;
    }
    m_slotWaiting = false;
    m_stepTimer.start(stepSlotMs());
    ServerListModel *servers = m_servers;
    const int count = servers->serverCount();
    if (count == 0) {
        m_cursor = 0;
        return;
    }
    // Servers removed since the last step leave the cursor past the end.
    if (m_cursor >= count)
        m_cursor = 0;
    const ServerEntry entry = servers->entry(m_cursor);
    advanceCursor(count);
    // A server whose chat is open ("Chat/Online") is the chat's to keep, and a server whose
    // previous step has not ended yet is not asked again.
    if (entry.state != ServerState::Online || isWatching(entry.settings.name))
        return;
    // The slot's time runs from the start of its step, on a short list too: a step slow to
    // answer holds up only its own server, and the round keeps its length.
    startStep(step, entry);
}

void BackgroundWatch::startStep(WatchStep *step, const ServerEntry &entry) {
    const QLocale locale;
    const QDateTime now = Clock::now();
    // The short date and the long time, without the time zone that the long format carries.
    const QString timeFormat = locale.timeFormat(QLocale::LongFormat).remove(QLatin1Char('t'));
    const QString text = idleText() + QStringLiteral(" (") + entry.settings.name +
                         QStringLiteral(") ") + locale.toString(now.date(), QLocale::ShortFormat) +
                         QLatin1Char(' ') + locale.toString(now.time(), timeFormat.trimmed());
    m_running << step;
    m_runningTexts.insert(step, text);
    setStatusText(text);
    emit stepStarted(entry.settings.name);
    const LogSource source = m_state->options().logSource;
    step->start(entry.settings, LogSourceRequest::command(source), LogSourceRequest::mode(source));
}

WatchStep *BackgroundWatch::freeStep() const {
    const auto free = std::find_if(m_steps.cbegin(), m_steps.cend(),
                                   [](const WatchStep *step) { return !step->isRunning(); });
    return free == m_steps.cend() ? nullptr : *free;
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

void BackgroundWatch::onStepEnded(WatchStep *step) {
    if (!m_running.removeOne(step))
        return;
    m_runningTexts.remove(step);
    const QString name = step->serverName();
    updateStatusText();
    emit stepEnded(name);
    // A slot that found every step under way is taken now; a handler may have stopped the watch.
    if (m_started && m_slotWaiting)
        Timer13Timer();
}

void BackgroundWatch::updateStatusText() {
    if (m_running.isEmpty())
        setStatusText(optionOn() ? idleText() : QString());
    else
        setStatusText(m_runningTexts.value(m_running.constLast()));
}

void BackgroundWatch::setStatusText(const QString &text) {
    if (m_statusText == text)
        return;
    m_statusText = text;
    emit statusTextChanged(text);
}
