#include "base/SingleInstance.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>

namespace {
const QByteArray kRaise = QByteArrayLiteral("raise\n");
const QByteArray kRaised = QByteArrayLiteral("raised\n");

QString runtimeFolder() {
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir;
}
} // namespace

SingleInstance::SingleInstance(const QString &name, QObject *parent)
    : QObject(parent)
    , m_name(name) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::lockPath() {
    return SingleInstance().lockFilePath();
}

QString SingleInstance::lockFilePath() const {
    return runtimeFolder() + QLatin1Char('/') + m_name + QStringLiteral(".lock");
}

QString SingleInstance::socketName() const {
#ifdef Q_OS_WIN
    // A pipe name: one per user, since every user may run a console of their own.
    return m_name + QLatin1Char('-') + qEnvironmentVariable("USERNAME");
#else
    // Beside the lock, in the user's own runtime folder, rather than in the shared temp folder.
    return runtimeFolder() + QLatin1Char('/') + m_name + QStringLiteral(".socket");
#endif
}

bool SingleInstance::acquire() {
    m_lock = std::make_unique<QLockFile>(lockFilePath());
    // A lock whose process is gone counts as stale at once; a live holder is never timed out.
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        return false;
    }
    listen();
    return true;
}

void SingleInstance::listen() {
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left by a crashed holder is ours to replace: we hold the lock now.
    QLocalServer::removeServer(socketName());
    if (!m_server->listen(socketName()))
        return; // the console runs on; a later start then only ends
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::answer);
}

void SingleInstance::answer() {
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            // A request is one short line; anything longer is no later start of ours.
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > kRaise.size())
                    socket->disconnectFromServer();
                return;
            }
            const QByteArray request = socket->readLine();
            if (request != kRaise) {
                socket->disconnectFromServer();
                return;
            }
            emit raiseRequested();
            socket->write(kRaised);
            socket->disconnectFromServer();
        });
    }
}

void SingleInstance::askToRaise(int timeoutMs) {
    auto *socket = new QLocalSocket(this);
    auto *timer = new QTimer(socket);
    const auto done = [this, socket, timer](bool raised) {
        timer->stop();
        socket->disconnect(this);
        timer->disconnect(this);
        socket->deleteLater();
        emit raiseAnswered(raised);
    };
    timer->setSingleShot(true);
    connect(timer, &QTimer::timeout, this, [done] { done(false); });
    connect(socket, &QLocalSocket::connected, this, [socket] { socket->write(kRaise); });
    connect(socket, &QLocalSocket::readyRead, this, [socket, done] {
        if (socket->canReadLine())
            done(socket->readLine() == kRaised);
    });
    connect(socket, &QLocalSocket::errorOccurred, this, [done] { done(false); });
    timer->start(timeoutMs);
    socket->connectToServer(socketName());
}
