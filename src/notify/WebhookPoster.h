#pragma once

#include "notify/RateWindow.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <deque>
#include <optional>

class QDateTime;
class QNetworkReply;
class QNetworkRequest;

// Posts the program-log lines of notified events to a chat server's webhook, one JSON message
// {"content": text} per event, in order and one request at a time, without ever holding up the
// caller. It keeps to the receiver's limits: at most 30 posts a minute, a 429 answer's wait, and
// at most 200 waiting messages (a burst beyond them becomes one "… N more events" message).
// A failing receiver is reported once and retried with a growing pause. The address grants
// posting rights, so it never appears in what this class reports.
class WebhookPoster final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WebhookPoster)

public:
    static constexpr int kPostsPerWindow = 30;
    static constexpr int kQueueLimit = 200;
    // Discord refuses longer messages; a longer text is cut.
    static constexpr int kMaxContentLength = 2000;

    explicit WebhookPoster(QObject *parent = nullptr);
    ~WebhookPoster() override;

    // Empty (posting off) or an absolute HTTP or HTTPS address with a host.
    static bool isAcceptable(const QString &text);

    // Start-up: the address app.ini holds; an unusable one is reported and leaves posting off.
    void applySetting(const QString &text);
    // A new address: what waits goes there. Empty switches posting off and drops what waits;
    // so does a text that is no HTTP or HTTPS address, for which the result is false.
    bool setUrl(const QString &text);
    QString url() const { return m_url.toString(); }
    bool isEnabled() const { return m_url.isValid() && !m_url.isEmpty(); }

    // One event's text; ignored while posting is off.
    void post(const QString &text);
    // Posts a test message straight away, past the queue; testFinished() says how it went.
    void test();

    // Messages waiting, the one under way included; a summary counts once.
    int queuedCount() const { return int(m_queue.size()); }
    // Failed attempts since the last post that arrived.
    int failureCount() const { return m_failures; }
    bool isFailing() const { return m_failing; }

    // The wait a 429 answer asks for: the Retry-After header (seconds or an HTTP date) or the
    // JSON body's "retry_after" (seconds, fractions allowed), the longer when both are given.
    static std::optional<qint64> retryAfterMs(const QByteArray &header, const QByteArray &body,
                                              const QDateTime &now);
    // The pause before the next attempt after `failures` failed ones in a row.
    static qint64 retryDelayMs(int failures);
    // `text` with every trace of `url` (the whole address, its path, query and password)
    // replaced, and any other address in it as well.
    static QString withoutUrl(const QString &text, const QUrl &url);
    // The text posted for `count` events that did not fit into the queue.
    static QString summaryText(int count);

signals:
    // A line for the program log ("Webhook failed: ..." once per failing spell).
    void message(const QString &text);
    // The outcome of test(): whether the receiver took the message, and a sentence for the UI.
    void testFinished(bool arrived, const QString &text);

private:
    struct Entry {
        QString text;
        int folded = 0; // > 0: a summary of that many events
    };

    QNetworkRequest request() const;
    static QByteArray body(const QString &text);
    void sendNext();
    void onFinished(QNetworkReply *reply);
    void onTestFinished(QNetworkReply *reply);
    void fail(const QString &reason);
    void dropInFlight();
    // Why a reply failed, with the address taken out.
    QString reasonOf(QNetworkReply *reply) const;
    qint64 nowMs() const;

    QNetworkAccessManager m_network;
    QUrl m_url;
    std::deque<Entry> m_queue;
    int m_waitingEvents = 0; // entries of the queue that are no summary
    QPointer<QNetworkReply> m_reply;
    QPointer<QNetworkReply> m_testReply;
    QTimer m_wait; // the next post: at once, or after the rate window, a 429 or a failure
    RateWindow m_window;
    QElapsedTimer m_clock; // the rate window's time: monotonic, unlike the wall clock
    int m_failures = 0;
    bool m_failing = false;
};
