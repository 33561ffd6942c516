#pragma once

#include <QObject>
#include <QProcess>
#include <QTimer>

// The simulated game servers of the demo console: the simulator program beside the console
// ("kvd-sim" where the package installs it, "rcon-sim" in a build folder) runs a few servers on
// free loopback ports and writes their server list into the demo folder. It ends with the
// console, and on Linux also when the console dies.
class DemoServers final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DemoServers)

public:
    explicit DemoServers(QObject *parent = nullptr);
    ~DemoServers() override;

    // Where the demo console keeps its files: a folder of its own in the user's cache, never the
    // operator's program folder.
    static QString defaultFolder();
    // The simulator beside the running program; empty when there is none.
    static QString simulatorProgram();

    // Empties the demo folder's server list and starts the simulator; ready() or failed() follow.
    void start(const QString &folder, const QString &program = simulatorProgram());
    void stop();
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    // The lines the simulator printed about its servers: name, host, port and password.
    QStringList serverLines() const { return m_lines; }

signals:
    // The servers listen and the demo folder's server.dat names them.
    void ready();
    void failed(const QString &reason);

private:
    void readOutput();
    void checkServerList();
    void fail(const QString &reason);

    QProcess m_process;
    QTimer m_wait; // looks for the server list while the simulator starts
    QTimer m_timeout;
    QString m_serverList;
    QStringList m_lines;
    bool m_ready = false;
};
