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
}

QString QueueScheduler::rconCommand(const QString &queueCommand) {
    if (queueCommand.startsWith(QLatin1String("msg:")))
        return QStringLiteral("Broadcast ") + queueCommand.mid(4);
    if (queueCommand.startsWith(QLatin1String("cmd:")))
        return queueCommand.mid(4);
    return QString();
}

void QueueScheduler::start() {
    m_on = true;
    m_timer.start();
}

void QueueScheduler::stop() {
    m_on = false;
    m_timer.stop();
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
    const QVector<QueueEntry> &entries = m_queue->entries();
    // Clean-up: an entry whose state is final leaves the queue, one per tick.
    for (int row = 0; row < entries.size(); ++row) {
        const QueueEntry &entry = entries.at(row);
        if (!entry.hasStateText())
            continue;
        if (entry.timeField == QueueEntry::inProgressText() && m_sender->isOpen(entry.ticket))
            continue;
        m_queue->removeEntry(row);
        return;
    }
    const qint64 now = QueueTime::key(Clock::now());
    for (int row = 0; row < m_queue->count(); ++row) {
        const QueueEntry &entry = m_queue->entry(row);
        if (entry.startKey == 0 || entry.startKey > now)
            continue;
        if (!startEntry(row))
            return;
    }
}

bool QueueScheduler::startEntry(int row) {
    const QueueEntry entry = m_queue->entry(row);
    const QString command = rconCommand(entry.command);
    const QString shown = command.isNull() ? entry.command : command;
    const QString failure =
        QStringLiteral("ERROR: Command on ") + entry.server + QStringLiteral(" - ") + shown;
    const int server = CommandSender::findServer(m_servers, entry.server);
    if (server < 0) {
        m_queue->setTimeField(row, QueueEntry::serverDeletedText());
        emit message(failure + QStringLiteral(" (Server deleted)"));
        return false;
    }
    if (!m_servers->entry(server).isOnline()) {
        m_queue->setTimeField(row, QueueEntry::serverOfflineText());
        emit message(failure + QStringLiteral(" (Server offline)"));
        return false;
    }
    if (command.isNull()) {
        // Only "msg:" and "cmd:" lines are queued here; a file from elsewhere may hold others.
        m_queue->markStarted(row, 0);
        emit message(failure + QStringLiteral(" (Unknown command)"));
        return true;
    }
    m_queue->markStarted(row, m_sender->StartCommand(entry.server, command, CommandOrigin::Queue));
    return true;
}
