#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;
class QLockFile;

// Only one console runs per user: a lock file named "corvidserveradmin" in the runtime folder.
// A lock left behind by a crashed instance is taken over. The holder of the lock also listens on
// a local socket of the same name beside it, so that a later start can ask it to show its window
// instead of ending unseen.
class SingleInstance final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SingleInstance)

public:
    // `name` names the lock and the socket; the demo console runs under a name of its own.
    explicit SingleInstance(const QString &name = QString::fromLatin1(kDefaultName),
                            QObject *parent = nullptr);
    ~SingleInstance() override;

    // True when this process is the only instance; it then holds the lock until destroyed and
    // takes the requests of later starts.
    bool acquire();
    // A later start: asks the instance holding the lock to show its window; `raiseAnswered`
    // tells whether it did, false when it could not be reached within `timeoutMs`.
    void askToRaise(int timeoutMs = 3000);

    QString lockFilePath() const;
    QString socketName() const;
    // The console's own lock.
    static QString lockPath();

    static constexpr const char *kDefaultName = "corvidserveradmin";

signals:
    // A later start asked for the window.
    void raiseRequested();
    // The answer to askToRaise, given once.
    void raiseAnswered(bool raised);

private:
    void listen();
    void answer();

    QString m_name;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
};
