#include "monitor/PollCycle.h"

#include "base/Intervals.h"
#include "base/Logging.h"
#include "base/NameQuotes.h"
#include "base/ProgramState.h"
#include "base/ServerLogPath.h"
#include "monitor/PlayerLines.h"
#include "monitor/PlayerTracker.h"
#include "rcon/RconChannel.h"
#include "servers/ServerListModel.h"

#include <QFile>

#include <exception>

namespace {
QString statusEntry(const QString &server, const QString &word) {
    return QStringLiteral("Serverstatus (") + server + QStringLiteral("):  ") + word;
}

ServerState stateOf(StatusCode code) {
    switch (code) {
    case StatusCode::Timeout:
        return ServerState::Timeout;
    case StatusCode::Refused:
        return ServerState::Refused;
    case StatusCode::Untraceable:
        return ServerState::Untraceable;
    case StatusCode::Unknown:
        return ServerState::Unknown;
    case StatusCode::BadLogin:
        return ServerState::BadLogin;
    }
    return ServerState::Unknown;
}
} // namespace

ChannelProfile PollCycle::channelProfile() {
    ChannelProfile profile;
    profile.connectTimeout = &Intervals::pollConnectTimeoutMs;
    profile.readTag = QStringLiteral(" (Read1)");
    profile.tickTag = QStringLiteral("(Timer1_s)");
    profile.sendFailureTag = QStringLiteral(" (Timer1,Listplayers)");
    // A connect that fails for no known reason gets an error entry of its own.
    profile.unknownConnectFailureTag = QStringLiteral(" (Thread)");
    profile.counter = &RequestId();
    return profile;
}

PollCycle::PollCycle(ServerListModel *servers, PlayerTracker *tracker, ProgramState *state,
                     const QString &programFolder, QObject *parent)
    : QObject(parent)
    , m_servers(servers)
    , m_tracker(tracker)
    , m_state(state)
    , m_programFolder(programFolder)
    , m_channel(new RconChannel(channelProfile(), this)) {
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
    connect(m_servers, &QAbstractItemModel::layoutChanged, this, [this] {
        if (m_servers->serverCount() > 0)
            m_currentServerRow = 1;
    });
    connect(m_state, &ProgramState::suspended, this, &PollCycle::suspend);
    connect(m_state, &ProgramState::resumed, this, &PollCycle::resume);
}

PollCycle::~PollCycle() = default;

void PollCycle::Startles() {
    if (m_servers->serverCount() == 0)
        return; // the server list shows its placeholder
    dropVisit();
    m_currentServerRow = 1;
    m_visitStart.setInterval(m_state->isFirstPass() ? Intervals::instance().visitStartFirstPassMs
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
    ServerListModel *servers = m_servers;
    if (m_state->isSuspended() || isHeld() || servers->serverCount() == 0)
        return; // tried again on the next tick
    setActive(true);
    m_visitStart.stop();
    m_channel->closechannel();
    if (m_currentServerRow < 1 || m_currentServerRow > servers->serverCount() ||
        servers->entry(m_currentServerRow - 1).settings.name.isEmpty()) {
        // A row without a name can never be visited; waiting for it would stop the cycle.
        setActive(false);
        advance();
        return;
    }
    const ServerEntry &entry = servers->entry(m_currentServerRow - 1);
    m_currentServerName = entry.settings.name;
    m_currentPassword = entry.settings.password;
    ++m_visit;
    m_visitRunning = true;
    m_pending.reset();
    // A retry after a dropped connection keeps the first start's limit.
    if (!m_watchdog.isActive())
        m_watchdog.start();
    m_channel->openchannel(entry.settings.host, entry.settings.port, m_currentPassword,
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
    if (!m_pending || isHeld() || m_state->isSuspended())
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
        qCWarning(lcError).noquote() << QString::fromLocal8Bit(failure.what()) + tag;
    } catch (...) {
        qCWarning(lcError).noquote() << QStringLiteral("Unknown failure") + tag;
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
    ServerListModel *servers = m_servers;
    const bool firstPass = m_state->isFirstPass();
    // While a deletion waits no answer changes any status.
    if (!servers->deletePending()) {
        const int row = servers->rowOfName(m_currentServerName);
        // An empty answer (or one of padding alone) says nothing about the players: like a
        // keep-alive it changes nothing, or it would log made-up departures and joins.
        const bool keepsState = !outcome.code && (QStringView(outcome.body).trimmed().isEmpty() ||
                                                  outcome.body.startsWith(QLatin1String("Keep")));
        if (row >= 0 && !keepsState) {
            const bool wasOnline = servers->entry(row).isOnline();
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
    m_tracker->setPlayerSetChanged(false);
    const ServerState state = stateOf(code);
    const ServerEntry &entry = m_servers->entry(row);
    if (entry.state == state)
        return; // the change was logged when it happened
    if (entry.state == ServerState::ChatOnline)
        emit chatCloseRequested(m_currentServerName);
    m_servers->setPlayerCount(row, QStringLiteral("-"));
    m_servers->setState(row, state);
    reportStatus(ServerStates::statusText(state));
}

void PollCycle::setOnline(int row) {
    // "Chat/Online" stays as it is.
    if (m_servers->entry(row).isOnline())
        return;
    m_servers->setState(row, ServerState::Online);
    reportStatus(ServerStates::statusText(ServerState::Online));
}

void PollCycle::reportStatus(const QString &word) {
    const QString text = statusEntry(m_currentServerName, word);
    emit message(text);
    if (m_state->isFirstPass())
        return;
    emit notificationRaised(text);
    emit notifiedEventLogged(text);
}

void PollCycle::removeErasedServers() {
    ServerListModel *servers = m_servers;
    for (int row = 0; row < servers->serverCount();) {
        const ServerEntry entry = servers->entry(row);
        if (entry.state != ServerState::Erase) {
            ++row;
            continue;
        }
        emit chatCloseRequested(entry.settings.name);
        emit removingServer(entry.settings.name);
        const QString logPath = serverLogPath(m_programFolder, entry.settings.name);
        if (!logPath.isEmpty())
            QFile::remove(logPath);
        m_tracker->removeServerRecords(entry.settings.name);
        servers->removeServer(row);
        // The cycle goes on with the server that followed the one it visited.
        if (row < m_currentServerRow)
            --m_currentServerRow;
        emit message(QStringLiteral("Server deleted:  ") + NameQuotes::quoted(entry.settings.name) +
                     QStringLiteral("  (") + entry.settings.host + QLatin1Char(':') +
                     entry.settings.port + QLatin1Char(')'));
    }
    servers->serversave();
    servers->setDeletePending(false);
}

void PollCycle::onWatchdog() {
    ServerListModel *servers = m_servers;
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
            if (servers->entry(row).state == ServerState::ChatOnline)
                emit chatCloseRequested(m_currentServerName);
            servers->setPlayerCount(row, QStringLiteral("-"));
            servers->setState(row, ServerState::Timeout);
        }
        // While the server dialog is open the list stays as it is; the next step removes them.
        if (deletion && !isHeld()) {
            removeErasedServers();
            m_tracker->checkSignature(m_state->isFirstPass());
        }
        updateServersOnline();
        emit visitEnded(m_currentServerName);
    });
    advance();
}

void PollCycle::advance() {
    if (m_currentServerRow < m_servers->serverCount()) {
        ++m_currentServerRow;
        m_visitStart.start();
        return;
    }
    if (m_state->isFirstPass()) {
        m_visitStart.setInterval(Intervals::instance().visitStartMs);
        // The background watch starts on this.
        guarded(QStringLiteral(" (Timer3)"), [this] { m_state->setFirstPass(false); });
    }
    Startles();
}

void PollCycle::setActive(bool active) {
    if (m_active == active)
        return;
    m_active = active;
    emit visitActiveChanged(active);
}

QString PollCycle::serversOnlineText() const {
    return tr("%1/%2 Server online").arg(m_servers->onlineCount()).arg(m_servers->serverCount());
}

void PollCycle::updateServersOnline() {
    emit serversOnlineChanged(serversOnlineText());
}
