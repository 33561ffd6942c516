#include "update/RangedDownload.h"

#include "base/PrivateFiles.h"
#include "update/UpdateTransport.h"

#include <QFile>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>

#include <algorithm>

namespace {
// What a reply may hold before the socket waits for us to write it to the file.
constexpr qint64 kReadBuffer = 1024 * 1024;

// The first byte of a "Content-Range: bytes 40960-81919/100000" answer, or -1.
qint64 rangeStart(const QByteArray &contentRange) {
    QByteArray text = contentRange.trimmed();
    if (!text.startsWith("bytes "))
        return -1;
    text = text.mid(6);
    const qsizetype dash = text.indexOf('-');
    if (dash <= 0)
        return -1;
    bool ok = false;
    const qint64 start = text.left(dash).toLongLong(&ok);
    return ok ? start : -1;
}

// The Content-Length of an answer, or -1 when it has none.
qint64 announcedLength(const QNetworkReply *reply) {
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    return length.isValid() ? length.toLongLong() : -1;
}
} // namespace

RangedDownload::RangedDownload(QNetworkAccessManager *network, const QNetworkRequest &request,
                               const QString &target, const QByteArray &expectedSha256,
                               QObject *parent)
    : QObject(parent)
    , m_network(network)
    , m_request(request)
    , m_file(target)
    , m_expectedSha256(expectedSha256) {
    // The file is new with every download; a half-written one must never be taken for it.
    m_file.setDirectWriteFallback(false);
}

RangedDownload::~RangedDownload() {
    dropReply();
}

QByteArray RangedDownload::pieceRange(qint64 position, qint64 length) {
    if (length - position > kPieceSize)
        return QByteArray::number(position) + '-' + QByteArray::number(position + kPieceSize - 1);
    return QByteArray::number(position) + '-';
}

void RangedDownload::start() {
    QFile::remove(m_file.fileName());
    m_position = 0;
    m_reply = m_network->head(m_request);
    UpdateTransport::guardRedirects(m_reply);
    connect(m_reply, &QNetworkReply::finished, this, &RangedDownload::lengthAnswered);
}

void RangedDownload::lengthAnswered() {
    if (m_reply->error() != QNetworkReply::NoError) {
        fail(UpdateTransport::failureOf(m_reply));
        return;
    }
    m_length = announcedLength(m_reply);
    dropReply();
    if (m_length == 0) {
        fail(tr("the update service announced an empty file"));
        return;
    }
    if (m_length > kMaxSize) {
        fail(tooLong(m_length));
        return;
    }
    if (!m_file.open(QIODevice::WriteOnly)) {
        fail(tr("%1 cannot be written: %2").arg(m_file.fileName(), m_file.errorString()));
        return;
    }
    PrivateFiles::restrict(&m_file);
    emit progress(0, m_length);
    requestPiece();
}

void RangedDownload::requestPiece() {
    QNetworkRequest request(m_request);
    if (m_length >= 0) {
        request.setRawHeader("Range", "bytes=" + pieceRange(m_position, m_length));
        m_pieceExpected = std::min(kPieceSize, m_length - m_position);
    } else {
        m_pieceExpected = -1; // the answer announces it
    }
    m_pieceReceived = 0;
    m_answerChecked = false;
    m_reply = m_network->get(request);
    m_reply->setReadBufferSize(kReadBuffer);
    UpdateTransport::guardRedirects(m_reply);
    connect(m_reply, &QNetworkReply::readyRead, this, &RangedDownload::pieceArrived);
    connect(m_reply, &QNetworkReply::finished, this, &RangedDownload::pieceFinished);
}

bool RangedDownload::acceptAnswer() {
    if (m_answerChecked)
        return true;
    const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 400 || m_reply->error() != QNetworkReply::NoError) {
        fail(UpdateTransport::failureOf(m_reply));
        return false;
    }
    if (m_length < 0) {
        if (status != 200) {
            fail(tr("the update service answered %1 instead of the file").arg(status));
            return false;
        }
        // Without a length the answer could go on for ever.
        m_pieceExpected = announcedLength(m_reply);
        if (m_pieceExpected < 0) {
            fail(tr("the update service announced no length for the file"));
            return false;
        }
        if (m_pieceExpected == 0) {
            fail(tr("the update service sent an empty file"));
            return false;
        }
        if (m_pieceExpected > kMaxSize) {
            fail(tooLong(m_pieceExpected));
            return false;
        }
    } else if (status == 206) {
        const QByteArray contentRange = m_reply->rawHeader("Content-Range");
        if (!contentRange.isEmpty() && rangeStart(contentRange) != m_position) {
            fail(tr("the update service sent the wrong piece (%1 for bytes %2)")
                     .arg(QString::fromLatin1(contentRange),
                          QString::fromLatin1(pieceRange(m_position, m_length))));
            return false;
        }
    } else if (status == 200 && m_position == 0) {
        // A server without byte ranges answers the first piece with the whole file.
        m_pieceExpected = m_length;
    } else {
        fail(tr("the update service answered %1 instead of the requested piece").arg(status));
        return false;
    }
    m_answerChecked = true;
    return true;
}

void RangedDownload::pieceArrived() {
    if (m_done || !m_reply)
        return;
    // An error answer's body is no piece; its end reports the failure.
    if (m_reply->error() != QNetworkReply::NoError ||
        m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() >= 400)
        return;
    if (!acceptAnswer())
        return;
    const QByteArray bytes = m_reply->readAll();
    if (bytes.isEmpty())
        return;
    if (m_pieceReceived + bytes.size() > m_pieceExpected) {
        fail(tr("the update service sent more bytes than asked for"));
        return;
    }
    if (m_file.write(bytes) != bytes.size()) {
        fail(tr("%1 cannot be written: %2").arg(m_file.fileName(), m_file.errorString()));
        return;
    }
    m_hash.addData(bytes);
    m_pieceReceived += bytes.size();
    emit progress(m_position + m_pieceReceived, m_length);
}

void RangedDownload::pieceFinished() {
    if (m_done)
        return;
    if (m_reply->error() != QNetworkReply::NoError) {
        fail(UpdateTransport::failureOf(m_reply));
        return;
    }
    pieceArrived();
    if (m_done || !acceptAnswer())
        return;
    const qint64 received = m_position + m_pieceReceived;
    const qint64 length = m_length >= 0 ? m_length : m_pieceExpected;
    dropReply();
    if (m_pieceReceived != m_pieceExpected) {
        fail(tr("only %1 of %2 bytes arrived").arg(received).arg(length));
        return;
    }
    if (received < length) {
        m_position = received;
        requestPiece();
        return;
    }
    if (m_hash.result() != m_expectedSha256) {
        if (discard())
            emit digestMismatched();
        return;
    }
    if (!m_file.commit()) {
        fail(tr("%1 cannot be written: %2").arg(m_file.fileName(), m_file.errorString()));
        return;
    }
    m_done = true;
    emit finished();
}

QString RangedDownload::tooLong(qint64 length) {
    return tr("the update service announced %1 bytes, more than an update may have (%2)")
        .arg(length)
        .arg(QLocale::c().formattedDataSize(kMaxSize, 0, QLocale::DataSizeIecFormat));
}

void RangedDownload::fail(const QString &reason) {
    if (discard())
        emit failed(reason);
}

bool RangedDownload::discard() {
    if (m_done)
        return false;
    m_done = true;
    dropReply();
    if (m_file.isOpen()) {
        m_file.cancelWriting();
        m_file.commit(); // removes the temporary now, not when this object goes
    }
    QFile::remove(m_file.fileName());
    return true;
}

void RangedDownload::dropReply() {
    if (!m_reply)
        return;
    disconnect(m_reply, nullptr, this, nullptr);
    // A reply that reported its error already is ended by its deletion.
    if (m_reply->isRunning() && m_reply->error() == QNetworkReply::NoError)
        m_reply->abort();
    m_reply->deleteLater();
    m_reply = nullptr;
}
