#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

// A chat server's webhook on a loopback port: a small HTTP/1.1 server that records every request
// (with the time it arrived) and gives the answers a test asks for, first those queued one by
// one, then the standing answer (204 No Content unless changed). Connections are kept open
// between requests, as a real receiver does.
class WebhookReceiver final {
public:
    struct Answer {
        int status = 204;
        QByteArray reason = QByteArrayLiteral("No Content");
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        bool silent = false; // the request is never answered
    };

    struct Request {
        QByteArray method;
        QByteArray path;
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
        qint64 arrivedNs = 0;
        qint64 answeredNs = -1; // -1 while unanswered
        // The "content" of a JSON body; empty when the body is no JSON object.
        QString content() const {
            return QJsonDocument::fromJson(body)
                .object()
                .value(QStringLiteral("content"))
                .toString();
        }
    };

    WebhookReceiver() {
        m_clock.start();
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { accept(); });
    }
    WebhookReceiver(const WebhookReceiver &) = delete;
    WebhookReceiver &operator=(const WebhookReceiver &) = delete;

    bool isListening() const { return m_server.isListening(); }
    quint16 port() const { return m_server.serverPort(); }
    // The address to post to; the path stands for a webhook's secret token.
    QString url(const QString &path = QStringLiteral("/api/webhooks/4711/s3cr3t-t0ken")) const {
        return QStringLiteral("http://127.0.0.1:") + QString::number(port()) + path;
    }

    void setAnswer(const Answer &answer) { m_standing = answer; }
    void queueAnswer(const Answer &answer) { m_queued.append(answer); }
    static Answer status(int code, const QByteArray &reason) {
        Answer answer;
        answer.status = code;
        answer.reason = reason;
        return answer;
    }

    QList<Request> requests;
    QStringList contents() const {
        QStringList texts;
        for (const Request &request : requests)
            texts << request.content();
        return texts;
    }
    qint64 nowNs() const { return m_clock.nsecsElapsed(); }

private:
    void accept() {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            auto buffer = std::make_shared<QByteArray>();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
                buffer->append(socket->readAll());
                while (takeRequest(socket, buffer.get())) {
                }
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    // Handles one complete request at the front of the buffer; false while it is incomplete.
    bool takeRequest(QTcpSocket *socket, QByteArray *buffer) {
        const qsizetype headEnd = buffer->indexOf("\r\n\r\n");
        if (headEnd < 0)
            return false;
        const QList<QByteArray> lines = buffer->left(headEnd).split('\n');
        Request request;
        const QList<QByteArray> start = lines.value(0).trimmed().split(' ');
        request.method = start.value(0);
        request.path = start.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines.at(i).indexOf(':');
            if (colon > 0)
                request.headers.insert(lines.at(i).left(colon).trimmed().toLower(),
                                       lines.at(i).mid(colon + 1).trimmed());
        }
        const qsizetype length =
            request.headers.value(QByteArrayLiteral("content-length")).toLongLong();
        const qsizetype total = headEnd + 4 + length;
        if (buffer->size() < total)
            return false;
        request.body = buffer->mid(headEnd + 4, length);
        buffer->remove(0, total);
        request.arrivedNs = nowNs();
        const Answer answer = m_queued.isEmpty() ? m_standing : m_queued.takeFirst();
        if (!answer.silent) {
            QByteArray reply =
                "HTTP/1.1 " + QByteArray::number(answer.status) + ' ' + answer.reason +
                "\r\nContent-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
            if (!answer.body.isEmpty())
                reply += "Content-Type: application/json\r\n";
            for (const auto &header : answer.headers)
                reply += header.first + ": " + header.second + "\r\n";
            reply += "\r\n" + answer.body;
            // Taken before the write: the client cannot have the answer any earlier.
            request.answeredNs = nowNs();
            socket->write(reply);
            socket->flush();
        }
        requests.append(request);
        return true;
    }

    QTcpServer m_server;
    QElapsedTimer m_clock;
    Answer m_standing;
    QList<Answer> m_queued;
};
