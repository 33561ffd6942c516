#pragma once

#include "chat/ServerChatLog.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

struct ChannelProfile;
class ChatLog;
class ProgramState;
class ServerListModel;
struct ServerEntry;
class WatchStep;

// Collects the chat or game log of every online server into its log file without an open chat:
// one server per step slot, in the server list's order, a slot 10 s after the previous step
// started; on a list too long for that each server still has its turn within 50 s. A step that
// is slow to answer gives its slot up to the next server when the slot's time has come, so
// steps of different servers overlap, up to watchConcurrency at once and never two on one
// server; a slot that finds them all busy waits for the next step to end. The server whose chat
// is open ("Chat/Online") is left to the chat.
class BackgroundWatch final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackgroundWatch)

public:
    // `programFolder` holds the server logs. The steps begin when the first pass ends.
    BackgroundWatch(ServerListModel *servers, ProgramState *state, const QString &programFolder,
                    QObject *parent = nullptr);
    ~BackgroundWatch() override;

    // The background channels' time-out, error-entry tags and request counter.
    static ChannelProfile channelProfile();

    // The hidden watch view of the step under way on `serverName`; null when there is none.
    ChatLog *watchLog(const QString &serverName) const;

    // The servers that steps are under way on, the one started first first.
    QStringList watchedServers() const;
    bool isWatching(const QString &serverName) const;
    int runningSteps() const { return int(m_running.size()); }
    bool isStepRunning() const { return !m_running.isEmpty(); }
    // How many steps may be under way at once (watchConcurrency).
    int concurrency() const { return int(m_steps.size()); }
    // Index into the server list of the next step's server.
    int cursor() const { return m_cursor; }
    bool isStarted() const { return m_started; }
    bool isHeld() const { return m_holds > 0; }
    // The text of status panel 4: the step started last among those under way.
    QString statusText() const { return m_statusText; }

    static QString idleText();

public slots:
    // The first pass over all servers has ended: the steps begin.
    void start();
    // Exit: no further step, those under way are dropped.
    void stop();
    // While held (the server dialog is open) no step starts; ticks meanwhile try again later.
    void hold();
    void release();
    // The option was switched: the resting watch's panel follows it.
    void optionsChanged();
    // A step under way on `serverName` ends now: the chat wants the server, or the server was
    // renamed or is being deleted.
    void abandonStep(const QString &serverName);
    // One step slot (Timer13).
    void Timer13Timer();

signals:
    // A line for the program log.
    void message(const QString &text);
    // A step for `serverName` has started.
    void stepStarted(const QString &serverName);
    // A step for `serverName` has ended, whatever its outcome.
    void stepEnded(const QString &serverName);
    void statusTextChanged(const QString &text);

private:
    bool optionOn() const;
    int stepSlotMs() const;
    void keepTicking();
    void advanceCursor(int serverCount);
    WatchStep *freeStep() const;
    void startStep(WatchStep *step, const ServerEntry &entry);
    void onStepEnded(WatchStep *step);
    void updateStatusText();
    void setStatusText(const QString &text);

    ServerListModel *m_servers;
    ProgramState *m_state;
    QList<WatchStep *> m_steps;
    // The steps under way in the order they started, with the panel text each started with.
    QList<WatchStep *> m_running;
    QHash<const WatchStep *, QString> m_runningTexts;
    QTimer m_stepTimer; // Timer13: the next step slot
    // A slot came while every step was under way: it is taken when one ends.
    bool m_slotWaiting = false;
    QString m_statusText;
    int m_cursor = 0;
    int m_holds = 0;
    bool m_started = false;
};
