#include "commands/CommandLane.h"

#include "base/Intervals.h"
#include "base/Logging.h"
#include "base/ProgramState.h"
#include "commands/CommandLogLines.h"
#include "commands/CommandSender.h"
#include "rcon/RconChannel.h"
#include "servers/ServerListModel.h"

CommandLane::CommandLane(const QString &serverName, ServerListModel *servers, ProgramState *state,
                         QObject *parent)
    : QObject(parent)
    , m_serverName(serverName)
    , m_servers(servers)
    , m_state(state)
    , m_channel(makeChannel()) {
    m_answerTimer.setSingleShot(true);
    connect(&m_answerTimer, &QTimer::timeout, this, &CommandLane::timeOut);
}

CommandLane::~CommandLane() = default;

RconChannel *CommandLane::makeChannel() {
    auto *channel = new RconChannel(CommandSender::channelProfile(), this);
    connect(channel, &RconChannel::loginAccepted, this, [this] {
        // The channel writes the command right after the login.
        m_sent = true;
        m_answerTimer.start(Intervals::instance().commandAnswerTimeoutMs);
    });
    connect(channel, &RconChannel::completed, this,
            [this](const QString &body, const QString &) { succeed(body); });
    connect(channel, &RconChannel::refused, this, [this] { finish(CommandOutcome::Refused); });
    connect(channel, &RconChannel::connectFailed, this, [this](StatusCode, const QString &reason) {
        qCWarning(lcError).noquote() << reason + QStringLiteral(" (StartCommand)");
        endWith(CommandOutcome::ConnectFailed, CommandLogLines::failure(m_current.request));
    });
    connect(channel, &RconChannel::sendFailed, this, [this] {
        m_sent = false;
        endWith(CommandOutcome::SendFailed, CommandLogLines::error(m_current.request));
    });
    // The channel has written the read-failure entries; the operator learns of it here.
    connect(channel, &RconChannel::readFailed, this, [this] {
        endWith(CommandOutcome::ReadFailed, CommandLogLines::error(m_current.request));
    });
    return channel;
}

void CommandLane::setServerName(const QString &name) {
    m_serverName = name;
    for (PendingCommand &pending : m_waiting)
        pending.request.serverName = name;
    if (isBusy())
        m_current.request.serverName = name;
}

void CommandLane::enqueue(const PendingCommand &pending) {
    m_waiting.enqueue(pending);
    scheduleStart();
}

bool CommandLane::cancel(quint64 ticket) {
    for (qsizetype i = 0; i < m_waiting.size(); ++i) {
        if (m_waiting.at(i).ticket == ticket) {
            m_waiting.removeAt(i);
            return true;
        }
    }
    return false;
}

void CommandLane::scheduleStart() {
    if (m_startScheduled)
        return;
    m_startScheduled = true;
    // From the event loop, so that no outcome is reported inside the caller's own call.
    QMetaObject::invokeMethod(this, &CommandLane::startNext, Qt::QueuedConnection);
}

void CommandLane::startNext() {
    m_startScheduled = false;
    while (!isBusy() && !m_stopped && !m_state->isSuspended() && !m_waiting.isEmpty()) {
        m_current = m_waiting.dequeue();
        m_sent = false;
        emit started(m_current.ticket);
        const int row = CommandSender::findServer(m_servers, m_serverName);
        if (row < 0) {
            qCWarning(lcError).noquote()
                << QStringLiteral("No server named '%1' (StartCommand)").arg(m_serverName);
            endWith(CommandOutcome::ConnectFailed, CommandLogLines::failure(m_current.request));
            continue;
        }
        const ServerSettings &server = m_servers->entry(row).settings;
        const Intervals &intervals = Intervals::instance();
        m_answerTimer.start(intervals.commandConnectTimeoutMs + intervals.commandAnswerTimeoutMs);
        m_channel->openchannel(server.host, server.port, server.password,
                               m_current.request.command);
    }
}

void CommandLane::succeed(const QString &answer) {
    m_channel->closechannel();
    emit message(CommandLogLines::success(m_current.request));
    logAnswer(m_current, answer);
    finish(CommandOutcome::Succeeded, answer);
}

void CommandLane::logAnswer(const PendingCommand &pending, const QString &answer) {
    if (!pending.request.logAnswer)
        return;
    const QString line = CommandLogLines::answer(pending.request.serverName, answer);
    if (!line.isNull())
        emit message(line);
}

void CommandLane::timeOut() {
    const int waited = m_answerTimer.interval();
    qCWarning(lcError).noquote()
        << QStringLiteral("No answer within %1 ms (Timer10_s)").arg(waited);
    if (!m_sent) {
        m_channel->closechannel();
        endWith(CommandOutcome::TimedOut, CommandLogLines::error(m_current.request));
        return;
    }
    // The server may still carry the command out: its answer is waited for beside the lane.
    emit message(CommandLogLines::unanswered(m_current.request, waited));
    keepForLateAnswer();
    finish(CommandOutcome::Unanswered);
}

void CommandLane::keepForLateAnswer() {
    RconChannel *late = m_channel;
    disconnect(late, nullptr, this, nullptr);
    m_channel = makeChannel();
    m_late.append(late);
    connect(late, &RconChannel::completed, this,
            [this, late, pending = m_current](const QString &body, const QString &) {
                dropLate(late);
                emit message(CommandLogLines::success(pending.request));
                logAnswer(pending, body);
                emit answeredLate(pending.ticket, body);
            });
    connect(late, &RconChannel::readFailed, this, [this, late] { dropLate(late); });
    QTimer::singleShot(Intervals::instance().commandLateAnswerMs, late,
                       [this, late] { dropLate(late); });
}

void CommandLane::dropLate(RconChannel *late) {
    if (!m_late.removeOne(late))
        return;
    late->closechannel();
    late->deleteLater();
}

void CommandLane::stop() {
    if (m_stopped)
        return;
    m_stopped = true;
    while (!m_late.isEmpty())
        dropLate(m_late.constFirst());
    if (isBusy()) {
        m_channel->closechannel();
        endWith(CommandOutcome::Abandoned, m_sent ? CommandLogLines::notConfirmed(m_current.request)
                                                  : CommandLogLines::failure(m_current.request));
    }
    while (!m_waiting.isEmpty()) {
        const PendingCommand pending = m_waiting.dequeue();
        emit message(CommandLogLines::failure(pending.request));
        emit finished(pending.ticket, CommandOutcome::Abandoned, QString());
    }
}

void CommandLane::endWith(CommandOutcome outcome, const QString &line) {
    emit message(line);
    finish(outcome);
}

void CommandLane::finish(CommandOutcome outcome, const QString &answer) {
    m_answerTimer.stop();
    const quint64 ticket = m_current.ticket;
    m_current = PendingCommand();
    m_sent = false;
    emit finished(ticket, outcome, answer);
    scheduleStart();
}
