#include "monitor/PollCycle.h"

#include "base/Intervals.h"
#include "base/Logging.h"
#include "base/NameQuotes.h"
#include "base/ProgramState.h"
#include "base/ServerLogPath.h"
#include "monitor/PlayerLines.h"
#include "monitor/PlayerTracker.h"
#include "monitor/ServerVisit.h"
#include "rcon/ChannelProfile.h"
#include "servers/ServerListModel.h"

#include <QFile>

#include <algorithm>
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

// A server whose last visit failed: such visits tend to last until a time-out.
bool isDead(ServerState state) {
    switch (state) {
    case ServerState::Timeout:
    case ServerState::Refused:
    case ServerState::Untraceable:
    case ServerState::Unknown:
    case ServerState::BadLogin:
        return true;
    default:
        return false;
    }
}

QString spanText(int ms) {
    return ms % 1000 == 0 ? QStringLiteral("%1 s").arg(ms / 1000) : QStringLiteral("%1 ms").arg(ms);
}
} // namespace

ChannelProfile PollCycle::channelProfile() {
    return ServerVisit::channelProfile();
}

PollCycle::PollCycle(ServerListModel *servers, PlayerTracker *tracker, ProgramState *state,
                     const QString &programFolder, QObject *parent)
    : QObject(parent)
    , m_servers(servers)
    , m_tracker(tracker)
    , m_state(state)
    , m_programFolder(programFolder)
    , m_concurrency(std::max(1, Intervals::instance().pollConcurrency)) {
    const Intervals &intervals = Intervals::instance();
    m_visitStart.setInterval(intervals.visitStartFirstPassMs);
    m_nextVisit.setSingleShot(true);
    // A coarse timer may fire early, and a server is never asked again before its time.
    m_nextVisit.setTimerType(Qt::PreciseTimer);
    m_resumeDelay.setSingleShot(true);
    m_resumeDelay.setInterval(intervals.resumeDelayMs);
    connect(&m_visitStart, &QTimer::timeout, this, &PollCycle::onVisitStart);
    connect(&m_nextVisit, &QTimer::timeout, this, &PollCycle::startDueVisits);
    connect(&m_resumeDelay, &QTimer::timeout, this, &PollCycle::Startles);
    m_clock.start();
    buildVisits(m_concurrency);

    // After a re-sort the one-at-a-time cycle goes on from the top of the list.
    connect(m_servers, &QAbstractItemModel::layoutChanged, this, [this] {
        if (m_servers->serverCount() > 0 && isSequential())
            m_currentServerRow = 1;
    });
    // A server added while the visits overlap is visited after the visit-start delay.
    connect(m_servers, &QAbstractItemModel::rowsInserted, this, [this] {
        if (!m_running || isSequential())
            return;
        const int delay = visitStartDelayMs();
        if (!m_nextVisit.isActive() || m_nextVisit.remainingTime() > delay)
            m_nextVisit.start(delay);
    });
    connect(m_state, &ProgramState::suspended, this, &PollCycle::suspend);
    connect(m_state, &ProgramState::resumed, this, &PollCycle::resume);
}

PollCycle::~PollCycle() = default;

void PollCycle::buildVisits(int count) {
    qDeleteAll(m_visits);
    m_visits.clear();
    for (int i = 0; i < count; ++i) {
        auto *visit = new ServerVisit(this);
        connect(visit, &ServerVisit::ended, this,
                [this, visit](const VisitOutcome &outcome) { onVisitEnded(visit, outcome); });
        m_visits << visit;
    }
}

void PollCycle::setConcurrency(int visits) {
    visits = std::max(1, visits);
    if (visits == m_concurrency)
        return;
    dropVisits();
    m_concurrency = visits;
    buildVisits(visits);
}

void PollCycle::Startles() {
    if (m_servers->serverCount() == 0)
        return; // the server list shows its placeholder
    dropVisits();
    m_running = true;
    m_currentServerRow = 1;
    m_dueAt.clear();
    m_visited.clear();
    if (isSequential()) {
        m_visitStart.setInterval(visitStartDelayMs());
        m_visitStart.start();
        return;
    }
    m_nextVisit.start(visitStartDelayMs());
}

int PollCycle::visitStartDelayMs() const {
    return m_state->isFirstPass() ? Intervals::instance().visitStartFirstPassMs
                                  : Intervals::instance().visitStartMs;
}

void PollCycle::dropVisits() {
    m_running = false;
    m_resumeDelay.stop();
    m_visitStart.stop();
    m_nextVisit.stop();
    for (ServerVisit *visit : std::as_const(m_visits))
        visit->drop();
    m_pending.clear();
    ++m_epoch;
    m_playerLines.clear();
    updateActive();
}

void PollCycle::hold() {
    ++m_holds;
}

void PollCycle::release() {
    if (m_holds == 0)
        return;
    if (--m_holds > 0)
        return;
    processPending();
    if (m_running && !isSequential())
        startDueVisits();
}

void PollCycle::suspend() {
    dropVisits();
}

void PollCycle::stop() {
    dropVisits();
}

void PollCycle::resume() {
    m_resumeDelay.start();
}

void PollCycle::closeChannel() {
    for (ServerVisit *visit : std::as_const(m_visits))
        visit->closeChannel();
}

bool PollCycle::isVisitRunning() const {
    return runningVisits() > 0;
}

int PollCycle::runningVisits() const {
    return int(std::count_if(m_visits.cbegin(), m_visits.cend(),
                             [](const ServerVisit *visit) { return visit->isRunning(); }));
}

bool PollCycle::isVisiting(const QString &serverName) const {
    return std::any_of(m_visits.cbegin(), m_visits.cend(), [&serverName](const ServerVisit *v) {
        return v->isRunning() && v->serverName() == serverName;
    });
}

void PollCycle::onVisitStart() {
    ServerListModel *servers = m_servers;
    if (m_state->isSuspended() || isHeld() || servers->serverCount() == 0)
        return; // tried again on the next tick
    m_visitStart.stop();
    ServerVisit *visit = m_visits.constFirst();
    visit->drop();
    if (m_currentServerRow < 1 || m_currentServerRow > servers->serverCount() ||
        servers->entry(m_currentServerRow - 1).settings.name.isEmpty()) {
        // A row without a name can never be visited; waiting for it would stop the cycle.
        advance();
        return;
    }
    startVisit(visit, m_currentServerRow - 1);
}

void PollCycle::startDueVisits() {
    m_nextVisit.stop();
    ServerListModel *servers = m_servers;
    if (!m_running || isHeld() || m_state->isSuspended() || servers->serverCount() == 0)
        return;
    const qint64 now = m_clock.elapsed();
    struct Candidate {
        qint64 dueAt;
        int row;
    };
    QList<Candidate> due;
    qint64 nextDue = -1;
    QSet<QString> busy;
    int deadRunning = 0;
    for (const ServerVisit *visit : std::as_const(m_visits)) {
        if (!visit->isRunning())
            continue;
        busy.insert(visit->serverName());
        const int row = servers->rowOfName(visit->serverName());
        if (row >= 0 && isDead(servers->entry(row).state))
            ++deadRunning;
    }
    for (const Pending &pending : std::as_const(m_pending))
        busy.insert(pending.server);
    for (int row = 0; row < servers->serverCount(); ++row) {
        const QString &name = servers->entry(row).settings.name;
        if (name.isEmpty() || busy.contains(name))
            continue;
        const qint64 dueAt = m_dueAt.value(name, 0);
        if (dueAt <= now)
            due.append({dueAt, row});
        else if (nextDue < 0 || dueAt < nextDue)
            nextDue = dueAt;
    }
    std::stable_sort(due.begin(), due.end(),
                     [](const Candidate &a, const Candidate &b) { return a.dueAt < b.dueAt; });
    // Servers that failed their last visit take at most half of the visits, so that a few dead
    // ones never keep the live servers waiting.
    const int deadLimit = std::max(1, int(m_visits.size()) / 2);
    auto freeVisit = m_visits.cbegin();
    for (const Candidate &candidate : std::as_const(due)) {
        freeVisit = std::find_if(freeVisit, m_visits.cend(),
                                 [](const ServerVisit *visit) { return !visit->isRunning(); });
        if (freeVisit == m_visits.cend())
            break; // the next visit that ends starts the rest
        if (isDead(servers->entry(candidate.row).state)) {
            if (deadRunning >= deadLimit)
                continue;
            ++deadRunning;
        }
        startVisit(*freeVisit, candidate.row);
    }
    if (nextDue >= 0)
        m_nextVisit.start(int(std::min<qint64>(nextDue - now, 24 * 3600 * 1000)));
}

void PollCycle::startVisit(ServerVisit *visit, int row) {
    const ServerEntry &entry = m_servers->entry(row);
    m_currentServerRow = row + 1;
    m_currentServerName = entry.settings.name;
    // A dropped connection is opened again after the visit-start delay, as the cycle would.
    visit->start(entry.settings, isSequential() ? m_visitStart.interval() : visitStartDelayMs());
    updateActive();
}

void PollCycle::onVisitEnded(ServerVisit *visit, const VisitOutcome &outcome) {
    m_pending.append({m_epoch, visit->serverName(), outcome});
    processPending();
}

void PollCycle::processPending() {
    while (!m_pending.isEmpty() && !isHeld() && !m_state->isSuspended()) {
        const Pending pending = m_pending.takeFirst();
        if (pending.epoch != m_epoch)
            continue;
        processOutcome(pending);
    }
    updateActive();
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

void PollCycle::processOutcome(const Pending &pending) {
    m_playerLines.clear();
    const QString tag =
        pending.outcome.timedOut ? QStringLiteral(" (Timer5)") : QStringLiteral(" (Timer3)");
    guarded(tag, [this, &pending] { applyOutcome(pending.server, pending.outcome); });
    guarded(tag, [this, &pending] { emit visitEnded(pending.server); });
    if (isSequential()) {
        advance();
        return;
    }
    if (!m_running || pending.epoch != m_epoch)
        return; // a handler stopped or restarted the cycle
    m_dueAt.insert(pending.server, m_clock.elapsed() + Intervals::instance().revisitMs);
    m_visited.insert(pending.server);
    endFirstPassWhenAllVisited();
    m_nextVisit.start(0);
}

void PollCycle::endFirstPassWhenAllVisited() {
    if (!m_state->isFirstPass())
        return;
    for (const ServerEntry &entry : m_servers->entries()) {
        if (!entry.settings.name.isEmpty() && !m_visited.contains(entry.settings.name))
            return;
    }
    // The background watch starts on this.
    guarded(QStringLiteral(" (Timer3)"), [this] { m_state->setFirstPass(false); });
}

void PollCycle::applyOutcome(const QString &server, const VisitOutcome &outcome) {
    ServerListModel *servers = m_servers;
    const bool firstPass = m_state->isFirstPass();
    // While a deletion waits no answer changes any status.
    if (!servers->deletePending()) {
        const int row = servers->rowOfName(server);
        // An empty answer (or one of padding alone) says nothing about the players: like a
        // keep-alive it changes nothing, or it would log made-up departures and joins.
        const bool keepsState = !outcome.code && !outcome.timedOut &&
                                (QStringView(outcome.body).trimmed().isEmpty() ||
                                 outcome.body.startsWith(QLatin1String("Keep")));
        if (row >= 0 && outcome.timedOut) {
            // The server's players stay until a visit sees them gone.
            applyTimeout(server, row);
        } else if (row >= 0 && !keepsState) {
            const bool wasOnline = servers->entry(row).isOnline();
            if (outcome.code) {
                applyStatusCode(server, row, *outcome.code, outcome.detail);
            } else if (outcome.body.startsWith(QLatin1String("No"))) {
                setOnline(server, row);
                servers->setPlayerCount(row, QStringLiteral("0"));
            } else if (PlayerLines::isPlayerList(outcome.body)) {
                setOnline(server, row);
                m_playerLines = PlayerLines::split(outcome.body);
                int players = 0;
                for (const QString &line : std::as_const(m_playerLines))
                    players += PlayerLines::parse(line, nullptr, nullptr) ? 1 : 0;
                servers->setPlayerCount(row, QString::number(players));
                m_tracker->record(server, m_playerLines, firstPass, wasOnline);
            }
            // After a failure or an answer that matched nothing, no line is left: all have gone.
            m_tracker->detectLeaves(server, m_playerLines, firstPass);
        }
    }
    if (servers->deletePending())
        removeErasedServers();
    m_tracker->checkSignature(firstPass);
    updateServersOnline();
}

void PollCycle::applyStatusCode(const QString &server, int row, StatusCode code,
                                const QString &detail) {
    m_tracker->setPlayerSetChanged(false);
    const ServerState state = stateOf(code);
    const ServerEntry &entry = m_servers->entry(row);
    QString why;
    if (code == StatusCode::Unknown)
        why = detail;
    else if (code == StatusCode::Timeout)
        why =
            tr("no connection within %1").arg(spanText(Intervals::instance().pollConnectTimeoutMs));
    if (entry.state == state) {
        m_servers->setStatusDetail(row, why);
        return; // the change was logged when it happened
    }
    if (entry.state == ServerState::ChatOnline)
        emit chatCloseRequested(server);
    m_servers->setPlayerCount(row, QStringLiteral("-"));
    m_servers->setState(row, state, why);
    reportStatus(server, ServerStates::statusText(state));
}

void PollCycle::applyTimeout(const QString &server, int row) {
    const ServerEntry &entry = m_servers->entry(row);
    // A chat left open on a server shown as "Timeout" would receive nothing and could no
    // longer be found by its icon, so it is closed as for any failed visit.
    if (entry.state == ServerState::ChatOnline)
        emit chatCloseRequested(server);
    m_servers->setPlayerCount(row, QStringLiteral("-"));
    const QString why = tr("no answer within %1").arg(spanText(Intervals::instance().watchdogMs));
    if (entry.state == ServerState::Timeout) {
        m_servers->setStatusDetail(row, why);
        return;
    }
    m_servers->setState(row, ServerState::Timeout, why);
    reportStatus(server, ServerStates::statusText(ServerState::Timeout));
}

void PollCycle::setOnline(const QString &server, int row) {
    // "Chat/Online" stays as it is.
    if (m_servers->entry(row).isOnline())
        return;
    m_servers->setState(row, ServerState::Online);
    reportStatus(server, ServerStates::statusText(ServerState::Online));
}

void PollCycle::reportStatus(const QString &server, const QString &word) {
    const QString text = statusEntry(server, word);
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
        const QString &name = entry.settings.name;
        for (ServerVisit *visit : std::as_const(m_visits)) {
            if (visit->isRunning() && visit->serverName() == name)
                visit->drop();
        }
        m_dueAt.remove(name);
        m_visited.remove(name);
        emit chatCloseRequested(name);
        emit removingServer(name);
        const QString logPath = serverLogPath(m_programFolder, name);
        if (!logPath.isEmpty())
            QFile::remove(logPath);
        m_tracker->removeServerRecords(name);
        servers->removeServer(row);
        // The cycle goes on with the server that followed the one it visited.
        if (row < m_currentServerRow)
            --m_currentServerRow;
        emit message(QStringLiteral("Server deleted:  ") + NameQuotes::quoted(name) +
                     QStringLiteral("  (") + entry.settings.host + QLatin1Char(':') +
                     entry.settings.port + QLatin1Char(')'));
    }
    servers->serversave();
    servers->setDeletePending(false);
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

void PollCycle::updateActive() {
    const bool active = !m_pending.isEmpty() || isVisitRunning();
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
