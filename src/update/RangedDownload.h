#pragma once

#include <QCryptographicHash>
#include <QNetworkRequest>
#include <QObject>
#include <QPointer>
#include <QSaveFile>
#include <QString>

class QNetworkAccessManager;
class QNetworkReply;

// Fetches one file into `target` the way the update service hands it out: a HEAD request for
// its length, then GET requests for pieces of 40960 bytes in turn; without a length, one GET
// for the whole file, whose answer must announce its length then. Every step follows a signal,
// so the window stays live. No more than the announced length and never more than 256 MiB is
// taken. The file is written through a temporary and appears under its name only when every
// announced byte has arrived and their SHA-256 is the one expected; any failure leaves no file
// at `target`.
class RangedDownload final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RangedDownload)

public:
    static constexpr qint64 kPieceSize = 40960;
    // No new version of the console comes near this; a longer file is refused unread.
    static constexpr qint64 kMaxSize = 256 * 1024 * 1024;

    // `request` carries the URL and the headers every request of the download sends;
    // `expectedSha256` the 32 bytes of the digest the whole file must have.
    RangedDownload(QNetworkAccessManager *network, const QNetworkRequest &request,
                   const QString &target, const QByteArray &expectedSha256,
                   QObject *parent = nullptr);
    ~RangedDownload() override;

    void start();

    // The byte range of the piece at `position` of a file of `length` bytes: "0-40959" while
    // more than a piece is left, else "81920-" (to the end).
    static QByteArray pieceRange(qint64 position, qint64 length);

signals:
    // `total` is -1 while the length is unknown.
    void progress(qint64 received, qint64 total);
    void finished();
    void failed(const QString &reason);
    // Every byte arrived, but they are not the file whose digest was expected; nothing is kept.
    void digestMismatched();

private:
    void lengthAnswered();
    void requestPiece();
    void pieceArrived();
    void pieceFinished();
    // False (the download has failed) when the answer is not the piece asked for.
    bool acceptAnswer();
    void fail(const QString &reason);
    static QString tooLong(qint64 length);
    // Ends the download keeping nothing; false when it had ended already.
    bool discard();
    void dropReply();

    QNetworkAccessManager *m_network;
    QNetworkRequest m_request;
    QSaveFile m_file;
    QByteArray m_expectedSha256;
    QCryptographicHash m_hash{QCryptographicHash::Sha256};
    QPointer<QNetworkReply> m_reply;
    qint64 m_length = -1;
    qint64 m_position = 0;
    qint64 m_pieceExpected = 0;
    qint64 m_pieceReceived = 0;
    bool m_answerChecked = false;
    bool m_done = false;
};
