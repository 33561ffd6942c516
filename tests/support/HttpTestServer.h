#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <algorithm>

// One request as it arrived: its request line and every header, in order.
struct HttpRequest {
    QByteArray line;
    QByteArray method;
    QByteArray path;
    QList<QPair<QByteArray, QByteArray>> headers;

    // The first header of that name (any letter case), or a null array.
    QByteArray header(const QByteArray &name) const {
        for (const auto &header : headers) {
            if (header.first.compare(name, Qt::CaseInsensitive) == 0)
                return header.second;
        }
        return {};
    }
    bool hasHeader(const QByteArray &name) const { return !header(name).isNull(); }
};

// A small HTTP/1.1 server on loopback that serves files by path, answers HEAD and byte ranges
// ("bytes=a-b", "bytes=a-") with 206, keeps connections alive, and records every request. On
// demand it leaves out Content-Length (the body then ends with the connection), announces a
// length the file does not have, ignores ranges, sets a cookie, or answers one request with a
// fault: an error status, a body cut off after some bytes, or silence after some bytes. A path
// can also redirect elsewhere, or answer GET with a body without end, sent as fast as the
// client reads it.
class HttpTestServer final {
public:
    struct Fault {
        QByteArray method = "GET";
        // The Range header's value this fault answers; empty for a request without one.
        QByteArray range;
        int status = 0;       // an error answer instead of the file
        qint64 cutAfter = -1; // body bytes sent before the connection is dropped
        bool stall = false;   // headers and `cutAfter` bytes, then nothing more
    };

    HttpTestServer() {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] { accept(); });
    }
    ~HttpTestServer() {
        for (const QPointer<QTcpSocket> &socket : std::as_const(m_sockets)) {
            if (!socket)
                continue;
            socket->disconnect();
            socket->abort();
        }
    }
    HttpTestServer(const HttpTestServer &) = delete;
    HttpTestServer &operator=(const HttpTestServer &) = delete;

    bool start() { return m_server.listen(QHostAddress::LocalHost, 0); }
    QUrl url(const QString &path = QString()) const {
        return QUrl(QStringLiteral("http://127.0.0.1:%1/%2").arg(m_server.serverPort()).arg(path));
    }

    void setFile(const QByteArray &path, const QByteArray &body) { m_files[path] = body; }
    // The file and, beside it as `path`.sha256, its digest in the form sha256sum writes.
    void setPublishedFile(const QByteArray &path, const QByteArray &body) {
        setFile(path, body);
        setFile(path + ".sha256", sha256Line(body, path.mid(path.lastIndexOf('/') + 1)));
    }
    static QByteArray sha256Line(const QByteArray &body, const QByteArray &name) {
        return QCryptographicHash::hash(body, QCryptographicHash::Sha256).toHex() + "  " + name +
               '\n';
    }
    // GET of `path` answers 200 and a body that never ends, announcing `length` (-1: none).
    void setEndless(const QByteArray &path, qint64 length) { m_endless[path] = length; }
    // Body bytes sent so far in answers without end, and whether every one has been hung up.
    qint64 endlessBytesSent() const { return m_endlessSent; }
    bool endlessAnswersEnded() const { return m_endlessOpen == 0; }
    // Every request for `path` is answered 302 with `location`.
    void setRedirect(const QByteArray &path, const QByteArray &location) {
        m_redirects[path] = location;
    }
    // HEAD answers leave out Content-Length; the GET answers keep it.
    void setOmitLengthOnHead(bool omit) { m_omitLengthOnHead = omit; }
    // HEAD and full answers for `path` report this length instead of the file's own.
    void setAnnouncedLength(const QByteArray &path, qint64 length) {
        m_announcedLengths[path] = length;
    }
    void setOmitContentLength(bool omit) { m_omitLength = omit; }
    void setIgnoreRanges(bool ignore) { m_ignoreRanges = ignore; }
    void setCookie(const QByteArray &setCookie) { m_cookie = setCookie; }
    void addFault(const QByteArray &path, const Fault &fault) { m_faults.append({path, fault}); }

    QList<HttpRequest> requests() const { return m_requests; }
    // The Range header of every request for `path`, "-" for a request without one.
    QList<QByteArray> rangesOf(const QByteArray &method, const QByteArray &path) const {
        QList<QByteArray> ranges;
        for (const HttpRequest &request : m_requests) {
            if (request.method == method && request.path == path)
                ranges << (request.hasHeader("Range") ? request.header("Range") : "-");
        }
        return ranges;
    }

private:
    void accept() {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            m_sockets << socket;
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                m_buffers[socket] += socket->readAll();
                serve(socket);
            });
            QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
                m_buffers.remove(socket);
                socket->deleteLater();
            });
        }
    }

    void serve(QTcpSocket *socket) {
        QByteArray &buffer = m_buffers[socket];
        qsizetype end;
        while (socket->state() == QAbstractSocket::ConnectedState &&
               (end = buffer.indexOf("\r\n\r\n")) >= 0) {
            const QByteArray head = buffer.left(end);
            buffer.remove(0, end + 4);
            answer(socket, parse(head));
        }
    }

    static HttpRequest parse(const QByteArray &head) {
        HttpRequest request;
        const QList<QByteArray> lines = head.split('\n');
        request.line = lines.value(0).trimmed();
        const QList<QByteArray> words = request.line.split(' ');
        request.method = words.value(0);
        request.path = words.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines[i].indexOf(':');
            if (colon > 0)
                request.headers.append(
                    {lines[i].left(colon).trimmed(), lines[i].mid(colon + 1).trimmed()});
        }
        return request;
    }

    const Fault *faultFor(const HttpRequest &request) const {
        for (const auto &entry : m_faults) {
            if (entry.first == request.path && entry.second.method == request.method &&
                entry.second.range == request.header("Range"))
                return &entry.second;
        }
        return nullptr;
    }

    void answer(QTcpSocket *socket, const HttpRequest &request) {
        m_requests << request;
        const bool head = request.method == "HEAD";
        if (m_redirects.contains(request.path)) {
            send(socket, 302, {{"Location", m_redirects[request.path]}}, {}, 0, nullptr);
            return;
        }
        if (!head && m_endless.contains(request.path)) {
            sendEndless(socket, m_endless[request.path]);
            return;
        }
        const Fault *fault = faultFor(request);
        if (!m_files.contains(request.path) || (fault && fault->status)) {
            const int status = fault && fault->status ? fault->status : 404;
            const QByteArray body = "no such luck\n";
            send(socket, status, {}, head ? QByteArray() : body, body.size(), nullptr);
            return;
        }
        const QByteArray &file = m_files[request.path];
        const qint64 size = file.size();
        const QByteArray range = request.header("Range");
        if (!range.isEmpty() && !m_ignoreRanges && range.startsWith("bytes=")) {
            const QByteArray wanted = range.mid(6);
            const qsizetype dash = wanted.indexOf('-');
            const qint64 first = wanted.left(dash).toLongLong();
            const qint64 last = dash + 1 < wanted.size()
                                    ? std::min(wanted.mid(dash + 1).toLongLong(), size - 1)
                                    : size - 1;
            if (dash <= 0 || first >= size || last < first) {
                send(socket, 416, {{"Content-Range", "bytes */" + QByteArray::number(size)}}, {}, 0,
                     fault);
                return;
            }
            const QByteArray piece = file.mid(first, last - first + 1);
            const QByteArray contentRange = "bytes " + QByteArray::number(first) + '-' +
                                            QByteArray::number(last) + '/' +
                                            QByteArray::number(size);
            send(socket, 206, {{"Content-Range", contentRange}}, head ? QByteArray() : piece,
                 piece.size(), fault);
            return;
        }
        const qint64 announced = head && m_omitLengthOnHead ? -1
                                 : m_announcedLengths.value(request.path, -1) >= 0
                                     ? m_announcedLengths.value(request.path)
                                     : size;
        send(socket, 200, {}, head ? QByteArray() : file, announced, fault);
    }

    void send(QTcpSocket *socket, int status, QList<QPair<QByteArray, QByteArray>> headers,
              const QByteArray &body, qint64 length, const Fault *fault) {
        static const QHash<int, QByteArray> phrases = {{200, "OK"},
                                                       {206, "Partial Content"},
                                                       {302, "Found"},
                                                       {404, "Not Found"},
                                                       {416, "Range Not Satisfiable"},
                                                       {500, "Internal Server Error"},
                                                       {503, "Service Unavailable"}};
        using Header = QPair<QByteArray, QByteArray>;
        QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' +
                         phrases.value(status, "Whatever") + "\r\n";
        headers.append(Header("Content-Type", "application/octet-stream"));
        headers.append(Header("Accept-Ranges", "bytes"));
        if (!m_cookie.isEmpty())
            headers.append(Header("Set-Cookie", m_cookie));
        if (m_omitLength)
            headers.append(Header("Connection", "close"));
        else if (length >= 0) // -1: no length
            headers.append(Header("Content-Length", QByteArray::number(length)));
        for (const auto &header : std::as_const(headers))
            out += header.first + ": " + header.second + "\r\n";
        out += "\r\n";
        if (fault && (fault->cutAfter >= 0 || fault->stall)) {
            socket->write(out + body.left(std::max<qint64>(fault->cutAfter, 0)));
            if (!fault->stall)
                socket->disconnectFromHost();
            return;
        }
        socket->write(out + body);
        if (m_omitLength)
            socket->disconnectFromHost();
    }

    void sendEndless(QTcpSocket *socket, qint64 length) {
        QByteArray out = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n";
        out += length >= 0 ? "Content-Length: " + QByteArray::number(length) + "\r\n"
                           : QByteArray("Connection: close\r\n");
        socket->write(out + "\r\n");
        ++m_endlessOpen;
        // Lines of text, so that a change log without end looks like one.
        const QByteArray chunk = QByteArray("- another fix of the endless kind\n").repeated(2000);
        auto pump = [this, socket, chunk] {
            while (socket->state() == QAbstractSocket::ConnectedState &&
                   socket->bytesToWrite() < 256 * 1024) {
                socket->write(chunk);
                m_endlessSent += chunk.size();
            }
        };
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, pump);
        QObject::connect(socket, &QTcpSocket::disconnected, socket, [this] { --m_endlessOpen; });
        pump();
    }

    QTcpServer m_server;
    QList<QPointer<QTcpSocket>> m_sockets;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QHash<QByteArray, QByteArray> m_files;
    QList<QPair<QByteArray, Fault>> m_faults;
    QList<HttpRequest> m_requests;
    QHash<QByteArray, qint64> m_endless;
    QHash<QByteArray, QByteArray> m_redirects;
    qint64 m_endlessSent = 0;
    int m_endlessOpen = 0;
    QHash<QByteArray, qint64> m_announcedLengths;
    bool m_omitLength = false;
    bool m_omitLengthOnHead = false;
    bool m_ignoreRanges = false;
    QByteArray m_cookie;
};
