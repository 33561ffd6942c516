#include "console/DemoServers.h"

#include "base/PrivateFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
constexpr int kPollMs = 50;
constexpr int kStartTimeoutMs = 15000;
constexpr int kStopWaitMs = 3000;
} // namespace

DemoServers::DemoServers(QObject *parent)
    : QObject(parent) {
    m_wait.setInterval(kPollMs);
    connect(&m_wait, &QTimer::timeout, this, &DemoServers::checkServerList);
    m_timeout.setSingleShot(true);
    m_timeout.setInterval(kStartTimeoutMs);
    connect(&m_timeout, &QTimer::timeout, this,
            [this] { fail(tr("The simulated servers did not start in time.")); });
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &DemoServers::readOutput);
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            fail(tr("The simulator could not be started: %1").arg(m_process.errorString()));
    });
    connect(&m_process, &QProcess::finished, this, [this] {
        if (!m_ready)
            fail(tr("The simulator ended at once: %1")
                     .arg(QString::fromLocal8Bit(m_process.readAllStandardError()).trimmed()));
    });
}

DemoServers::~DemoServers() {
    stop();
}

QString DemoServers::defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
           QStringLiteral("/demo");
}

QString DemoServers::simulatorProgram() {
    const QDir beside(QCoreApplication::applicationDirPath());
    for (const QString &name : {QStringLiteral("kvd-sim"), QStringLiteral("rcon-sim")}) {
        const QFileInfo program(beside.filePath(name));
        if (program.isFile() && program.isExecutable())
            return program.filePath();
    }
    return {};
}

void DemoServers::start(const QString &folder, const QString &program) {
    if (program.isEmpty()) {
        // Queued, so that the caller has connected before it hears of it.
        QTimer::singleShot(0, this, [this] {
            fail(tr("No simulator (kvd-sim or rcon-sim) beside the console."));
        });
        return;
    }
    m_ready = false;
    m_lines.clear();
    PrivateFiles::makeFolder(folder);
    m_serverList = QDir(folder).filePath(QStringLiteral("server.dat"));
    QFile::remove(m_serverList);
    // Port 0: each server listens on a port that is free now.
    m_process.start(program,
                    {QStringLiteral("--server"), QStringLiteral("Alpha Island:0:secret"),
                     QStringLiteral("--server"), QStringLiteral("Beta Ridge:0:secret"),
                     QStringLiteral("--server"), QStringLiteral("Gamma Valley:0:hunter2"),
                     QStringLiteral("--server"), QStringLiteral("Delta Swamp:0:secret"),
                     QStringLiteral("--players"), QStringLiteral("4"), QStringLiteral("--churn"),
                     QStringLiteral("3000"), QStringLiteral("--fault"),
                     QStringLiteral("Gamma Valley=split"), QStringLiteral("--write-server-list"),
                     m_serverList, QStringLiteral("--exit-with-parent")});
    m_wait.start();
    m_timeout.start();
}

void DemoServers::stop() {
    m_wait.stop();
    m_timeout.stop();
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_ready = true; // its end is no failure now
    m_process.terminate();
    if (!m_process.waitForFinished(kStopWaitMs))
        m_process.kill();
}

void DemoServers::readOutput() {
    while (m_process.canReadLine()) {
        const QString line = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        if (line.startsWith(QLatin1String("server: ")))
            m_lines << line;
    }
}

void DemoServers::checkServerList() {
    // The simulator writes the list whole (by rename) once every server listens.
    if (m_ready || !QFileInfo(m_serverList).size())
        return;
    m_ready = true;
    m_wait.stop();
    m_timeout.stop();
    emit ready();
}

void DemoServers::fail(const QString &reason) {
    if (m_ready)
        return;
    m_ready = true;
    m_wait.stop();
    m_timeout.stop();
    if (m_process.state() != QProcess::NotRunning)
        m_process.kill();
    emit failed(reason);
}
