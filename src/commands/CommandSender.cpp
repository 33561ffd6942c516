#include "commands/CommandSender.h"

#include "base/ProgramState.h"
#include "commands/CommandLane.h"
#include "commands/CommandLogLines.h"
#include "rcon/ChannelProfile.h"
#include "servers/ServerListModel.h"

ChannelProfile CommandSender::channelProfile() {
    ChannelProfile profile;
    profile.connectTimeout = &Intervals::commandConnectTimeoutMs;
    profile.readTag = QStringLiteral(" (Read2o)");
    profile.tickTag = QStringLiteral("(Timer10_s)");
    // Failed sends and connects are the sender's to report ("Command error: ", " (StartCommand)").
    profile.counter = &CommandRequestId();
    return profile;
}

CommandSender::CommandSender(ServerListModel *servers, ProgramState *state, QObject *parent)
    : QObject(parent)
    , m_servers(servers)
    , m_state(state) {
    connect(m_state, &ProgramState::resumed, this, [this] {
        for (CommandLane *lane : std::as_const(m_lanes))
            lane->scheduleStart();
    });
}

CommandSender::~CommandSender() = default;

int CommandSender::findServer(const ServerListModel *servers, const QString &name) {
    for (int row = servers->serverCount() - 1; row >= 0; --row) {
        if (servers->entry(row).settings.name == name)
            return row;
    }
    return -1;
}

CommandLane *CommandSender::findLane(const QString &serverName) const {
    for (CommandLane *lane : m_lanes) {
        if (lane->serverName() == serverName)
            return lane;
    }
    return nullptr;
}

CommandLane *CommandSender::lane(const QString &serverName) {
    if (CommandLane *found = findLane(serverName))
        return found;
    auto *created = new CommandLane(serverName, m_servers, m_state, this);
    connect(created, &CommandLane::message, this, &CommandSender::message);
    connect(created, &CommandLane::started, this, &CommandSender::started);
    connect(created, &CommandLane::finished, this,
            [this](quint64 ticket, CommandOutcome outcome, const QString &answer) {
                m_open.remove(ticket);
                emit finished(ticket, outcome, answer);
            });
    connect(created, &CommandLane::answeredLate, this, &CommandSender::answeredLate);
    m_lanes.append(created);
    return created;
}

quint64 CommandSender::submit(const CommandRequest &request) {
    PendingCommand pending;
    pending.request = request;
    pending.ticket = ++m_lastTicket;
    if (m_stopped) {
        // Nothing goes out after the exit began; the command still leaves its trace.
        emit message(CommandLogLines::failure(request));
        emit finished(pending.ticket, Outcome::Abandoned, QString());
        return pending.ticket;
    }
    CommandLane *target = lane(request.serverName);
    m_open.insert(pending.ticket, target);
    target->enqueue(pending);
    return pending.ticket;
}

quint64 CommandSender::StartCommand(const QString &serverName, const QString &command,
                                    CommandOrigin origin) {
    CommandRequest request;
    request.serverName = serverName;
    request.command = command;
    request.origin = origin;
    return submit(request);
}

namespace {
CommandRequest playerCommand(const QString &serverName, const QString &command,
                             const QString &playerName) {
    CommandRequest request;
    request.serverName = serverName;
    request.command = command;
    if (!playerName.isEmpty())
        request.shown = command + QStringLiteral(" (") + playerName + QLatin1Char(')');
    request.origin = CommandOrigin::Player;
    return request;
}
} // namespace

quint64 CommandSender::KickOnServer(const QString &serverName, const QString &playerId,
                                    const QString &playerName) {
    return submit(playerCommand(serverName, QStringLiteral("KickPlayer ") + playerId, playerName));
}

quint64 CommandSender::BanOnServer(const QString &serverName, const QString &playerId,
                                   const QString &playerName) {
    return submit(playerCommand(serverName, QStringLiteral("BanPlayer ") + playerId, playerName));
}

bool CommandSender::cancel(quint64 ticket) {
    CommandLane *owner = m_open.value(ticket);
    if (!owner || !owner->cancel(ticket))
        return false;
    m_open.remove(ticket);
    return true;
}

bool CommandSender::isStarted(quint64 ticket) const {
    const CommandLane *owner = m_open.value(ticket);
    return owner && owner->current().ticket == ticket;
}

bool CommandSender::isLaneFree(const QString &serverName) const {
    for (const CommandLane *lane : m_lanes) {
        if (lane->serverName() == serverName && !lane->isFree())
            return false;
    }
    return true;
}

bool CommandSender::isBusy() const {
    for (const CommandLane *lane : m_lanes) {
        if (lane->isBusy())
            return true;
    }
    return false;
}

int CommandSender::waitingCount() const {
    int count = 0;
    for (const CommandLane *lane : m_lanes)
        count += lane->waitingCount();
    return count;
}

int CommandSender::lateCount() const {
    int count = 0;
    for (const CommandLane *lane : m_lanes)
        count += lane->lateCount();
    return count;
}

void CommandSender::renameServer(const QString &oldName, const QString &newName) {
    for (CommandLane *lane : std::as_const(m_lanes)) {
        if (lane->serverName() == oldName)
            lane->setServerName(newName);
    }
}

void CommandSender::stop() {
    if (m_stopped)
        return;
    m_stopped = true;
    for (CommandLane *lane : std::as_const(m_lanes))
        lane->stop();
}
