#pragma once

#include <QByteArray>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>

class QNetworkAccessManager;
class QNetworkReply;

// One GET whose answer is kept up to a limit: a longer or endless answer is cut off there and
// its transfer ended, so a misbehaving service never costs more memory than the limit (the
// reply's own buffer is bounded as well, and the socket waits while it is full).
class BoundedFetch final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BoundedFetch)

public:
    BoundedFetch(QNetworkAccessManager *network, const QNetworkRequest &request, qint64 limit,
                 QObject *parent = nullptr);
    ~BoundedFetch() override;

    void start();

signals:
    // The whole answer, or its first `limit` bytes when `cutOff`.
    void finished(const QByteArray &bytes, bool cutOff);
    // `status` is the service's HTTP status, 0 when it gave none.
    void failed(const QString &reason, int status);

private:
    void readArrived();
    void replyFinished();
    void end();

    QNetworkAccessManager *m_network;
    QNetworkRequest m_request;
    qint64 m_limit;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_bytes;
    bool m_cutOff = false;
    bool m_done = false;
};
