#include "monitor/PollCycle.h"

#include "console/Console.h"
#include "base/Intervals.h"
#include "base/ProgramLog.h"
#include "monitor/PlayerLines.h"
#include "monitor/PlayerTracker.h"
#include "rcon/RconChannel.h"
#include "servers/ServerListModel.h"

#include <QFile>

#include <exception>

namespace {
const QString kOnline = QStringLiteral("Online");
const QString kErase = QStringLiteral("Erase");

QString statusEntry(const QString &server, const QString &word) {
    return QStringLiteral("Serverstatus (") + server + QStringLiteral("):  ") + word;
}

// A name that would reach outside the logs folder has no log file of its own to delete.
bool isPlainFileName(const QString &name) {
    return !name.isEmpty() && !name.contains(QLatin1Char('/')) &&
           !name.contains(QLatin1Char('\\')) && name != QLatin1String("..") &&
           name != QLatin1String(".");
}
} // namespace

PollCycle::PollCycle(Console *console, PlayerTracker *tracker, QObject *parent)
    : QObject(parent)
    , m_console(console)
    , m_tracker(tracker)
    , m_channel(new RconChannel(RconChannel::Kind::Poll, this)) {
    const Intervals &intervals = Intervals::instance();
    m_visitStart.setInterval(intervals.visitStartFirstPassMs);
    m_watchdog.setSingleShot(true);
    m_watchdog.setInterval(intervals.watchdogMs);
    m_resumeDelay.setSingleShot(true);
    m_resumeDelay.setInterval(intervals.resumeDelayMs);
    connect(&m_visitStart, &QTimer::timeout, this, &PollCycle::onVisitStart);
    connect(&m_watchdog, &QTimer::timeout, this, &PollCycle::onWatchdog);
    connect(&m_resumeDelay, &QTimer::timeout, this, &PollCycle::Startles);

    connect(m_channel, &RconChannel::completed, this,
            [this](const QString &body) { onCompleted(body); });
    connect(m_channel, &RconChannel::refused, this, &PollCycle::onRefused);
    connect(m_channel, &RconChannel::connectFailed, this,
            [this](StatusCode code) { onConnectFailed(code); });
    connect(m_channel, &RconChannel::readFailed, this, &PollCycle::onReadFailed);
    // A failed send leaves the visit to the watchdog; the channel has written the error entry.

    // After a re-sort the cycle goes on from the top of the list.
    connect(m_console->servers(), &QAbstractItemModel::layoutChanged, this, [this] {
        if (m_console->servers()->serverCount() > 0)
            m_currentServerRow = 1;
    });
}

PollCycle::~PollCycle() = default;

void PollCycle::Startles() {
    if (m_console->servers()->serverCount() == 0)
        return; // the server list shows its placeholder
    dropVisit();
    m_currentServerRow = 1;
    m_visitStart.setInterval(m_console->isFirstPass() ? Intervals::instance().visitStartFirstPassMs
                                                      : Intervals::instance().visitStartMs);
    m_visitStart.start();
}

void PollCycle::dropVisit() {
    m_resumeDelay.stop();
    m_visitStart.stop();
    m_watchdog.stop();
    m_channel->closechannel();
    m_pending.reset();
    m_visitRunning = false;
    ++m_visit;
    m_playerLines.clear();
    setActive(false);
}

void PollCycle::hold() {
    ++m_holds;
}

void PollCycle::release() {
    if (m_holds == 0)
        return;
    if (--m_holds == 0)
        processPending();
}

void PollCycle::suspend() {
    dropVisit();
}

void PollCycle::stop() {
    dropVisit();
}

void PollCycle::resume() {
    m_resumeDelay.start();
}

void PollCycle::closeChannel() {
    m_channel->closechannel();
}

void PollCycle::onVisitStart() {
    ServerListModel *servers = m_console->servers();
    if (m_console->isSuspended() || isHeld() || servers->serverCount() == 0)
        return; // tried again on the next tick
    setActive(true);
    m_visitStart.stop();
    m_channel->closechannel();
    if (m_currentServerRow < 1 || m_currentServerRow > servers->serverCount() ||
        servers->entry(m_currentServerRow - 1).name.isEmpty()) {
        // A row without a name can never be visited; waiting for it would stop the cycle.
        setActive(false);
        advance();
        return;
    }
    const ServerEntry &entry = servers->entry(m_currentServerRow - 1);
    m_currentServerName = entry.name;
    m_currentPassword = entry.password;
    ++m_visit;
    m_visitRunning = true;
    m_pending.reset();
    // A retry after a dropped connection keeps the first start's limit.
    if (!m_watchdog.isActive())
        m_watchdog.start();
    m_channel->openchannel(entry.host, entry.port, m_currentPassword,
                           QStringLiteral("listplayers"));
}

void PollCycle::onCompleted(const QString &body) {
    if (!m_visitRunning)
        return;
    endVisit({m_visit, std::nullopt, body});
}

void PollCycle::onRefused() {
    if (!m_visitRunning)
        return;
    endVisit({m_visit, StatusCode::BadLogin, QString()});
}

void PollCycle::onConnectFailed(StatusCode code) {
    if (!m_visitRunning)
        return;
    endVisit({m_visit, code, QString()});
}

void PollCycle::onReadFailed() {
    if (!m_visitRunning)
        return;
    // The same server is visited again; the watchdog still bounds the whole visit.
    m_visitRunning = false;
    m_visitStart.start();
}

void PollCycle::endVisit(const Outcome &outcome) {
    m_visitRunning = false;
    m_watchdog.stop();
    m_channel->closechannel();
    m_pending = outcome;
    processPending();
}

void PollCycle::processPending() {
    if (!m_pending || isHeld() || m_console->isSuspended())
        return;
    const Outcome outcome = *m_pending;
    m_pending.reset();
    if (outcome.visit != m_visit)
        return;
    processOutcome(outcome);
}

void PollCycle::guarded(const QString &tag, const std::function<void()> &step) {
    try {
        step();
    } catch (const std::exception &failure) {
        m_console->programLog()->log(QLatin1Char('e'),
                                     QString::fromLocal8Bit(failure.what()) + tag);
    } catch (...) {
        m_console->programLog()->log(QLatin1Char('e'), QStringLiteral("Unknown failure") + tag);
    }
}

void PollCycle::processOutcome(const Outcome &outcome) {
    setActive(false);
    m_playerLines.clear();
    guarded(QStringLiteral(" (Timer3)"), [this, &outcome] { applyOutcome(outcome); });
    const QString server = m_currentServerName;
    guarded(QStringLiteral(" (Timer3)"), [this, &server] { emit visitEnded(server); });
    advance();
}

void PollCycle::applyOutcome(const Outcome &outcome) {
    ServerListModel *servers = m_console->servers();
    const bool firstPass = m_console->isFirstPass();
    // While a deletion waits no answer changes any status.
    if (!servers->deletePending()) {
        const int row = servers->rowOfName(m_currentServerName);
        const bool keepAlive = !outcome.code && outcome.body.startsWith(QLatin1String("Keep"));
        if (row >= 0 && !keepAlive) {
            const bool wasOnline = servers->entry(row).status.contains(kOnline);
            if (outcome.code) {
                applyStatusCode(row, *outcome.code);
            } else if (outcome.body.startsWith(QLatin1String("No"))) {
                setOnline(row);
                servers->setPlayerCount(row, QStringLiteral("0"));
            } else if (PlayerLines::isPlayerList(outcome.body)) {
                setOnline(row);
                m_playerLines = PlayerLines::split(outcome.body);
                int players = 0;
                for (const QString &line : std::as_const(m_playerLines))
                    players += PlayerLines::parse(line, nullptr, nullptr) ? 1 : 0;
                servers->setPlayerCount(row, QString::number(players));
                m_tracker->record(m_currentServerName, m_playerLines, firstPass, wasOnline);
            }
            // After a failure or an answer that matched nothing, no line is left: all have gone.
            m_tracker->detectLeaves(m_currentServerName, m_playerLines, firstPass);
        }
    }
    if (servers->deletePending())
        removeErasedServers();
    m_tracker->checkSignature(firstPass);
    updateServersOnline();
}

void PollCycle::applyStatusCode(int row, StatusCode code) {
    ServerListModel *servers = m_console->servers();
    m_tracker->setPlayerSetChanged(false);
    const QString word = statusWord(code);
    if (servers->entry(row).status.contains(word))
        return; // the change was logged when it happened
    if (servers->entry(row).icon == ServerIcon::ChatOpen)
        emit chatCloseRequested(m_currentServerName);
    servers->setPlayerCount(row, QStringLiteral("-"));
    servers->setStatus(row, word);
    servers->setIcon(row, ServerIcon::Offline);
    const QString text = statusEntry(m_currentServerName, word);
    m_console->message(text);
    if (!m_console->isFirstPass())
        emit notificationRaised(text);
}

void PollCycle::setOnline(int row) {
    ServerListModel *servers = m_console->servers();
    // "Chat/Online" stays as it is.
    if (servers->entry(row).status.contains(kOnline))
        return;
    servers->setStatus(row, kOnline);
    servers->setIcon(row, ServerIcon::Online);
    const QString text = statusEntry(m_currentServerName, kOnline);
    m_console->message(text);
    if (!m_console->isFirstPass())
        emit notificationRaised(text);
}

void PollCycle::removeErasedServers() {
    ServerListModel *servers = m_console->servers();
    for (int row = 0; row < servers->serverCount();) {
        const ServerEntry entry = servers->entry(row);
        if (entry.status != kErase) {
            ++row;
            continue;
        }
        emit chatCloseRequested(entry.name);
        if (isPlainFileName(entry.name))
            QFile::remove(
                m_console->filePath(QStringLiteral("logs/") + entry.name + QStringLiteral(".log")));
        m_tracker->removeServerRecords(entry.name);
        servers->removeServer(row);
        m_console->message(QStringLiteral("Server deleted:  `") + entry.name +
                           QStringLiteral("´  (") + entry.host + QLatin1Char(':') + entry.port +
                           QLatin1Char(')'));
    }
    servers->serversave();
    servers->setDeletePending(false);
}

void PollCycle::onWatchdog() {
    ServerListModel *servers = m_console->servers();
    const bool deletion = servers->deletePending();
    dropVisit();
    if (servers->serverCount() == 0) {
        Startles();
        return;
    }
    guarded(QStringLiteral(" (Timer5)"), [this, servers, deletion] {
        const int row = servers->rowOfName(m_currentServerName);
        // No log entry: the server's players stay until a visit sees them gone.
        if (!deletion && row >= 0) {
            // A chat left open on a server shown as "Timeout" would receive nothing and could
            // no longer be found by its icon, so it is closed as for any failed visit.
            if (servers->entry(row).icon == ServerIcon::ChatOpen)
                emit chatCloseRequested(m_currentServerName);
            servers->setIcon(row, ServerIcon::Offline);
            servers->setPlayerCount(row, QStringLiteral("-"));
            servers->setStatus(row, QStringLiteral("Timeout"));
        }
        if (deletion) {
            removeErasedServers();
            m_tracker->checkSignature(m_console->isFirstPass());
        }
        updateServersOnline();
        emit visitEnded(m_currentServerName);
    });
    advance();
}

void PollCycle::advance() {
    ServerListModel *servers = m_console->servers();
    if (m_currentServerRow < servers->serverCount()) {
        ++m_currentServerRow;
        m_visitStart.start();
        return;
    }
    if (m_console->isFirstPass()) {
        m_console->setFirstPass(false);
        m_visitStart.setInterval(Intervals::instance().visitStartMs);
        guarded(QStringLiteral(" (Timer3)"), [this] { emit firstPassEnded(); });
    }
    Startles();
}

void PollCycle::setActive(bool active) {
    if (m_active == active)
        return;
    m_active = active;
    emit visitActiveChanged(active);
}

void PollCycle::updateServersOnline() {
    emit serversOnlineChanged(m_console->serversOnlineText());
}
