#pragma once

#include "rcon/StatusCode.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

struct ChannelProfile;
class ChatLog;
class ProgramState;
class RconChannel;
class ServerChatLog;
class ServerListModel;

// Collects the chat or game log of every online server into its log file without an open chat:
// one server per step, a step every 10 s after the previous one ended, in the server list's
// order; on a list too long for that each server still has its turn within 50 s. The server whose
// chat is open ("Chat/Online") is left to the chat.
class BackgroundWatch final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BackgroundWatch)

public:
    // `programFolder` holds the server logs. The steps begin when the first pass ends.
    BackgroundWatch(ServerListModel *servers, ProgramState *state, const QString &programFolder,
                    QObject *parent = nullptr);
    ~BackgroundWatch() override;

    // The background channel's time-out, error-entry tags and request counter.
    static ChannelProfile channelProfile();

    // The hidden watch view: the log of the server of the current step.
    ChatLog *watchLog() const;
    RconChannel *channel() const { return m_channel; }

    // The server the current step works on; empty between steps.
    QString watchedServer() const { return m_watchedServer; }
    // Index into the server list of the next step's server.
    int cursor() const { return m_cursor; }
    bool isStarted() const { return m_started; }
    bool isStepRunning() const { return !m_watchedServer.isEmpty(); }
    bool isHeld() const { return m_holds > 0; }
    // The text of status panel 4.
    QString statusText() const { return m_statusText; }

    static QString idleText();

public slots:
    // The first pass over all servers has ended: the steps begin.
    void start();
    // Exit: no further step, the one under way is dropped.
    void stop();
    // While held (the server dialog is open) no step starts; ticks meanwhile try again later.
    void hold();
    void release();
    // The option was switched: the resting watch's panel follows it.
    void optionsChanged();
    // The step under way ends now (the server dialog takes the list over).
    void abandonStep();
    // The chat wants `serverName`: a step on that server ends now.
    void giveWay(const QString &serverName);
    // One step (Timer13).
    void Timer13Timer();

signals:
    // A line for the program log.
    void message(const QString &text);
    void watchedServerChanged(const QString &name);
    void statusTextChanged(const QString &text);
    // A step for `serverName` has ended, whatever its outcome.
    void stepEnded(const QString &serverName);

private:
    bool optionOn() const;
    int stepSlotMs() const;
    void advanceCursor(int serverCount);
    void onCompleted(const QString &body);
    void onConnectFailed(StatusCode code, const QString &message);
    void failStep(const QString &entry);
    void endStep();
    void setWatchedServer(const QString &name);
    void setStatusText(const QString &text);

    ServerListModel *m_servers;
    ProgramState *m_state;
    RconChannel *m_channel;
    ServerChatLog *m_log;
    QTimer m_stepTimer;   // Timer13: the next step, 10 s after the previous one ended
    QTimer m_stepTimeout; // a server that does not answer never stops the watch
    QElapsedTimer m_stepClock;
    QString m_watchedServer;
    QString m_statusText;
    int m_cursor = 0;
    int m_holds = 0;
    bool m_started = false;
};
