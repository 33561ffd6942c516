#include "update/BoundedFetch.h"

#include "update/UpdateTransport.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <algorithm>

namespace {
// What the reply may hold before the socket waits for us to read it.
constexpr qint64 kReadBuffer = 64 * 1024;
} // namespace

BoundedFetch::BoundedFetch(QNetworkAccessManager *network, const QNetworkRequest &request,
                           qint64 limit, QObject *parent)
    : QObject(parent)
    , m_network(network)
    , m_request(request)
    , m_limit(limit) {}

BoundedFetch::~BoundedFetch() {
    if (!m_reply)
        return;
    m_reply->disconnect(this);
    m_reply->abort();
    m_reply->deleteLater();
}

void BoundedFetch::start() {
    m_reply = m_network->get(m_request);
    m_reply->setReadBufferSize(std::min(kReadBuffer, m_limit + 1));
    UpdateTransport::guardRedirects(m_reply);
    connect(m_reply, &QNetworkReply::readyRead, this, &BoundedFetch::readArrived);
    connect(m_reply, &QNetworkReply::finished, this, &BoundedFetch::replyFinished);
}

void BoundedFetch::readArrived() {
    if (m_done)
        return;
    const QByteArray bytes = m_reply->read(m_limit - m_bytes.size());
    m_bytes += bytes;
    // One byte beyond the limit waiting says the answer is longer.
    if (m_bytes.size() >= m_limit && m_reply->bytesAvailable() > 0) {
        m_cutOff = true;
        end();
    }
}

void BoundedFetch::replyFinished() {
    if (m_done)
        return;
    if (m_reply->error() == QNetworkReply::NoError)
        readArrived();
    if (!m_done)
        end();
}

void BoundedFetch::end() {
    m_done = true;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const bool failure = (!m_cutOff && reply->error() != QNetworkReply::NoError) || status >= 400;
    const QString reason = failure ? UpdateTransport::failureOf(reply) : QString();
    if (reply->isRunning())
        reply->abort();
    reply->deleteLater();
    if (failure) {
        m_bytes.clear();
        emit failed(reason, status);
        return;
    }
    emit finished(m_bytes, m_cutOff);
}
