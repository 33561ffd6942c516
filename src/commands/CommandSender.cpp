#include "commands/CommandSender.h"

#include "base/Intervals.h"
#include "base/Logging.h"
#include "base/ProgramState.h"
#include "rcon/RconChannel.h"
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
    , m_state(state)
    , m_channel(new RconChannel(channelProfile(), this)) {
    m_answerTimer.setSingleShot(true);
    connect(&m_answerTimer, &QTimer::timeout, this, [this] {
        m_channel->closechannel();
        qCWarning(lcError).noquote()
            << QStringLiteral("No answer within %1 ms (Timer10_s)").arg(m_answerTimer.interval());
        endWith(Outcome::TimedOut, errorLine(m_current));
    });
    connect(m_channel, &RconChannel::loginAccepted, this,
            [this] { m_answerTimer.start(Intervals::instance().commandAnswerTimeoutMs); });
    connect(m_channel, &RconChannel::completed, this, [this](const QString &body, const QString &) {
        m_channel->closechannel();
        emit answered(m_current.ticket, body);
        endWith(Outcome::Succeeded, QStringLiteral("Command successfully: ") + m_current.command +
                                        QStringLiteral(" @ ") + m_current.serverName);
    });
    connect(m_channel, &RconChannel::refused, this, [this] { finish(Outcome::Refused); });
    connect(m_channel, &RconChannel::connectFailed, this,
            [this](StatusCode, const QString &reason) {
                qCWarning(lcError).noquote() << reason + QStringLiteral(" (StartCommand)");
                endWith(Outcome::ConnectFailed, failureLine(m_current));
            });
    connect(m_channel, &RconChannel::sendFailed, this,
            [this] { endWith(Outcome::SendFailed, errorLine(m_current)); });
    // The channel has written the read-failure entries; the operator learns of it here.
    connect(m_channel, &RconChannel::readFailed, this,
            [this] { endWith(Outcome::ReadFailed, errorLine(m_current)); });
    connect(m_state, &ProgramState::resumed, this, &CommandSender::scheduleStart);
}

CommandSender::~CommandSender() = default;

int CommandSender::findServer(const ServerListModel *servers, const QString &name) {
    for (int row = servers->serverCount() - 1; row >= 0; --row) {
        if (servers->entry(row).settings.name == name)
            return row;
    }
    return -1;
}

quint64 CommandSender::StartCommand(const QString &serverName, const QString &command,
                                    CommandOrigin origin) {
    PendingCommand pending;
    pending.command = command;
    pending.serverName = serverName;
    pending.origin = origin;
    pending.ticket = ++m_lastTicket;
    if (m_stopped) {
        // Nothing goes out after the exit began; the command still leaves its trace.
        emit message(failureLine(pending));
        emit finished(pending.ticket, Outcome::Abandoned);
        return pending.ticket;
    }
    m_open.insert(pending.ticket);
    m_waiting.enqueue(pending);
    scheduleStart();
    return pending.ticket;
}

quint64 CommandSender::KickOnServer(const QString &serverName, const QString &steamId) {
    return StartCommand(serverName, QStringLiteral("KickPlayer ") + steamId, CommandOrigin::Player);
}

quint64 CommandSender::BanOnServer(const QString &serverName, const QString &steamId) {
    return StartCommand(serverName, QStringLiteral("BanPlayer ") + steamId, CommandOrigin::Player);
}

void CommandSender::renameServer(const QString &oldName, const QString &newName) {
    for (PendingCommand &pending : m_waiting) {
        if (pending.serverName == oldName)
            pending.serverName = newName;
    }
    if (m_current.serverName == oldName)
        m_current.serverName = newName;
}

void CommandSender::stop() {
    if (m_stopped)
        return;
    m_stopped = true;
    if (isBusy()) {
        m_channel->closechannel();
        endWith(Outcome::Abandoned, errorLine(m_current));
    }
    while (!m_waiting.isEmpty()) {
        const PendingCommand pending = m_waiting.dequeue();
        m_open.remove(pending.ticket);
        emit message(failureLine(pending));
        emit finished(pending.ticket, Outcome::Abandoned);
    }
}

void CommandSender::scheduleStart() {
    if (m_startScheduled)
        return;
    m_startScheduled = true;
    // From the event loop, so that no outcome is reported inside the caller's own call.
    QMetaObject::invokeMethod(this, &CommandSender::startNext, Qt::QueuedConnection);
}

void CommandSender::startNext() {
    m_startScheduled = false;
    while (!isBusy() && !m_stopped && !m_state->isSuspended() && !m_waiting.isEmpty()) {
        m_current = m_waiting.dequeue();
        const int row = findServer(m_servers, m_current.serverName);
        if (row < 0) {
            qCWarning(lcError).noquote()
                << QStringLiteral("No server named '%1' (StartCommand)").arg(m_current.serverName);
            endWith(Outcome::ConnectFailed, failureLine(m_current));
            continue;
        }
        const ServerSettings &server = m_servers->entry(row).settings;
        const Intervals &intervals = Intervals::instance();
        m_answerTimer.start(intervals.commandConnectTimeoutMs + intervals.commandAnswerTimeoutMs);
        m_channel->openchannel(server.host, server.port, server.password, m_current.command);
    }
}

void CommandSender::endWith(Outcome outcome, const QString &line) {
    emit message(line);
    finish(outcome);
}

void CommandSender::finish(Outcome outcome) {
    m_answerTimer.stop();
    const quint64 ticket = m_current.ticket;
    m_current = PendingCommand();
    m_open.remove(ticket);
    emit finished(ticket, outcome);
    scheduleStart();
}

QString CommandSender::failureLine(const PendingCommand &command) const {
    if (command.origin == CommandOrigin::Queue)
        return QStringLiteral("ERROR: Command on ") + command.serverName + QStringLiteral(" - ") +
               command.command;
    return QStringLiteral("ERROR: Command ") + command.command;
}

QString CommandSender::errorLine(const PendingCommand &command) const {
    return QStringLiteral("Command error: ") + command.command;
}
