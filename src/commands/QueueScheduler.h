#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class CommandQueue;
class CommandSender;
class ProgramState;
class ServerListModel;

// Sends the queue's entries when their start time has come (Timer11, every 950 ms). A due entry
// of an online server goes to its server's lane in the command sender once that lane is free, so
// an entry waiting behind another of its server keeps its start time, in the view and in the
// file, and a deleted one is never sent; it shows "In progress.." from the moment its exchange
// starts and leaves the queue when the exchange has ended. An entry whose server is offline or
// gone shows "Server offline.."/"Server deleted.." with a log line and leaves at the next tick;
// one whose server has not been visited yet waits for the end of the first pass at most.
// Nothing runs while the computer is suspended.
class QueueScheduler final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QueueScheduler)

public:
    QueueScheduler(CommandQueue *queue, ServerListModel *servers, CommandSender *sender,
                   ProgramState *state, QObject *parent = nullptr);

    bool isOn() const { return m_on; }

    // The RCON command of a queue line: "msg:" + text becomes "Broadcast " + text, "cmd:" + line
    // becomes the line; a null text for any other line.
    static QString rconCommand(const QString &queueCommand);

public slots:
    void start();
    // Also takes back the entries handed on whose exchanges have not started: they stay in the
    // queue with their start times.
    void stop();
    // One tick. Whatever happens in it, the timer runs again afterwards while the scheduler is on.
    void Timer11Timer();

signals:
    // A line for the program log.
    void message(const QString &text);

private:
    void tick();
    // Hands every due entry whose lane is free to the sender.
    void dispatch();
    void startEntry(int row, qint64 now);
    void onStarted(quint64 ticket);
    void onFinished(quint64 ticket);
    // The operator deleted entries: those not started yet leave their lanes.
    void cancelRows(int first, int last);

    CommandQueue *m_queue;
    ServerListModel *m_servers;
    CommandSender *m_sender;
    ProgramState *m_state;
    QTimer m_timer; // Timer11: off during each tick, so ticks never overlap
    bool m_on = false;
};
