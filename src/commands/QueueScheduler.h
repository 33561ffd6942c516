#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class CommandQueue;
class CommandSender;
class ProgramState;
class ServerListModel;

// Sends the queue's entries when their start time has come (Timer11, every 950 ms): a due entry
// of an online server goes to the command sender and shows "In progress.." until its exchange
// has ended; one whose server is offline or gone shows "Server offline.."/"Server deleted.." and
// is logged. One finished entry is removed per tick, and no entry starts in a tick that removes
// one. Nothing runs while the computer is suspended.
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
    void stop();
    // One tick. Whatever happens in it, the timer runs again afterwards while the scheduler is on.
    void Timer11Timer();

signals:
    // A line for the program log.
    void message(const QString &text);

private:
    void tick();
    // False when the tick ends here.
    bool startEntry(int row);

    CommandQueue *m_queue;
    ServerListModel *m_servers;
    CommandSender *m_sender;
    ProgramState *m_state;
    QTimer m_timer; // Timer11: off during each tick, so ticks never overlap
    bool m_on = false;
};
