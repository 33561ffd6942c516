#include "commands/QueueScheduler.h"

#include "base/Clock.h"
#include "base/Intervals.h"
#include "base/Logging.h"
#include "base/ProgramState.h"
#include "commands/CommandQueue.h"
#include "commands/CommandSender.h"
#include "commands/QueueTime.h"
#include "servers/ServerListModel.h"

#include <QScopeGuard>

#include <exception>

QueueScheduler::QueueScheduler(CommandQueue *queue, ServerListModel *servers, CommandSender *sender,
                               ProgramState *state, QObject *parent)
    : QObject(parent)
    , m_queue(queue)
    , m_servers(servers)
    , m_sender(sender)
    , m_state(state) {
    m_timer.setSingleShot(true);
    m_timer.setInterval(Intervals::instance().schedulerMs);
    connect(&m_timer, &QTimer::timeout, this, &QueueScheduler::Timer11Timer);
    connect(m_sender, &CommandSender::started, this, &QueueScheduler::onStarted);
    connect(m_sender, &CommandSender::finished, this,
            [this](quint64 ticket) { onFinished(ticket); });
    connect(m_queue, &CommandQueue::entriesAboutToBeRemoved, this, &QueueScheduler::cancelRows);
    connect(m_queue, &CommandQueue::aboutToBeReset, this,
            [this] { cancelRows(0, m_queue->count() - 1); });
}

QString QueueScheduler::rconCommand(const QString &queueCommand) {
    QueueEntry entry;
    entry.command = queueCommand;
    return entry.rconCommand();
}

void QueueScheduler::start() {
    m_on = true;
    m_timer.start();
}

void QueueScheduler::stop() {
    m_on = false;
    m_timer.stop();
    for (int row = 0; row < m_queue->count(); ++row) {
        const quint64 ticket = m_queue->entry(row).ticket;
        if (ticket != 0 && m_sender->cancel(ticket))
            m_queue->setTicket(row, 0);
    }
}

void QueueScheduler::Timer11Timer() {
    m_timer.stop();
    const auto rearm = qScopeGuard([this] {
        if (m_on)
            m_timer.start();
    });
    if (m_state->isSuspended())
        return;
    try {
        tick();
    } catch (const std::exception &error) {
        qCWarning(lcError).noquote()
            << QString::fromLocal8Bit(error.what()) + QStringLiteral(" (Timer11)");
    } catch (...) {
        qCWarning(lcError).noquote() << QStringLiteral("Unknown failure (Timer11)");
    }
}

void QueueScheduler::tick() {
    // Every finished entry leaves at once: the lanes keep the one-at-a-time rule.
    m_queue->removeEntries([this](const QueueEntry &entry) {
        if (!entry.hasStateText())
            return false;
        return entry.timeField != QueueEntry::inProgressText() || !m_sender->isOpen(entry.ticket);
    });
    dispatch();
}

void QueueScheduler::dispatch() {
    if (!m_on || m_state->isSuspended())
        return;
    const qint64 now = QueueTime::key(Clock::now());
    for (int row = 0; row < m_queue->count(); ++row)
        startEntry(row, now);
}

void QueueScheduler::startEntry(int row, qint64 now) {
    const QueueEntry &entry = m_queue->entry(row);
    if (entry.ticket != 0 || entry.startKey == 0 || entry.startKey > now)
        return;
    const QString command = entry.rconCommand();
    const QString shown = command.isNull() ? entry.command : command;
    const QString failure =
        QStringLiteral("ERROR: Command on ") + entry.server + QStringLiteral(" - ") + shown;
    const int server = CommandSender::findServer(m_servers, entry.server);
    if (server < 0) {
        emit message(failure + QStringLiteral(" (Server deleted)"));
        m_queue->setTimeField(row, QueueEntry::serverDeletedText());
        return;
    }
    const ServerState state = m_servers->entry(server).state;
    // Not visited yet: its status comes within the first pass.
    if (state == ServerState::Queue && m_state->isFirstPass())
        return;
    if (!ServerStates::isOnline(state)) {
        emit message(failure + QStringLiteral(" (Server offline)"));
        m_queue->setTimeField(row, QueueEntry::serverOfflineText());
        return;
    }
    if (command.isNull()) {
        // Only "msg:" and "cmd:" lines are queued here; a file from elsewhere may hold others.
        emit message(failure + QStringLiteral(" (Unknown command)"));
        m_queue->markStarted(row);
        return;
    }
    if (!m_sender->isLaneFree(entry.server))
        return;
    CommandRequest request;
    request.serverName = entry.server;
    request.command = command;
    request.origin = CommandOrigin::Queue;
    m_queue->setTicket(row, m_sender->submit(request));
}

void QueueScheduler::onStarted(quint64 ticket) {
    const int row = m_queue->rowOfTicket(ticket);
    if (row >= 0)
        m_queue->markStarted(row);
}

void QueueScheduler::onFinished(quint64 ticket) {
    const int row = m_queue->rowOfTicket(ticket);
    if (row >= 0)
        m_queue->removeEntry(row);
    // The lane is free again: the next due entry of its server need not wait for a tick.
    dispatch();
}

void QueueScheduler::cancelRows(int first, int last) {
    for (int row = first; row <= last; ++row) {
        const quint64 ticket = m_queue->entry(row).ticket;
        if (ticket != 0 && !m_sender->isStarted(ticket))
            m_sender->cancel(ticket);
    }
}
