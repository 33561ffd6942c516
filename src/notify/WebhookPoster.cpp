#include "notify/WebhookPoster.h"

#include "base/Clock.h"
#include "base/Intervals.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {
const QString kHidden = QStringLiteral("<webhook address>");
// A receiver that asks for a longer pause is asked again after this.
constexpr qint64 kLongestRetryAfterMs = 60 * 60 * 1000;

bool isSuccess(int status) {
    return status >= 200 && status < 300;
}

// Answers that refuse the message itself: sending it again can never work.
bool refusesMessage(int status) {
    return status == 400 || status == 413 || status == 422;
}

std::optional<qint64> secondsToMs(double seconds) {
    if (!std::isfinite(seconds) || seconds < 0)
        return std::nullopt;
    return qint64(std::ceil(std::min(seconds, 1e9) * 1000.0));
}
} // namespace

WebhookPoster::WebhookPoster(QObject *parent)
    : QObject(parent)
    , m_window(kPostsPerWindow, Intervals::instance().webhookWindowMs) {
    m_wait.setSingleShot(true);
    // Waits are lower bounds the receiver counts on; a coarse timer may fire a little early.
    m_wait.setTimerType(Qt::PreciseTimer);
    connect(&m_wait, &QTimer::timeout, this, &WebhookPoster::sendNext);
    m_clock.start();
}

WebhookPoster::~WebhookPoster() {
    dropInFlight();
    if (m_testReply) {
        m_testReply->disconnect(this);
        m_testReply->abort();
    }
}

bool WebhookPoster::isAcceptable(const QString &text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return true;
    const QUrl url(trimmed, QUrl::StrictMode);
    const QString scheme = url.scheme();
    return url.isValid() && (scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
           !url.host().isEmpty();
}

void WebhookPoster::applySetting(const QString &text) {
    if (!setUrl(text))
        emit message(tr("Webhook failed: ") +
                     tr("the address in app.ini is no HTTP or HTTPS address; nothing is posted"));
}

bool WebhookPoster::setUrl(const QString &text) {
    const QString trimmed = text.trimmed();
    const bool acceptable = isAcceptable(trimmed);
    const QUrl url = acceptable && !trimmed.isEmpty() ? QUrl(trimmed, QUrl::StrictMode) : QUrl();
    if (url == m_url)
        return acceptable;
    dropInFlight(); // its message stays first and goes to the new address
    m_wait.stop();
    m_url = url;
    m_failures = 0;
    m_failing = false;
    if (!isEnabled()) {
        m_queue.clear();
        m_waitingEvents = 0;
    } else if (!m_queue.empty()) {
        m_wait.start(0);
    }
    return acceptable;
}

void WebhookPoster::post(const QString &text) {
    if (!isEnabled())
        return;
    if (m_waitingEvents < kQueueLimit) {
        m_queue.push_back({text, 0});
        ++m_waitingEvents;
    } else if (m_queue.back().folded > 0) {
        ++m_queue.back().folded;
    } else {
        m_queue.push_back({QString(), 1});
    }
    // The first post leaves on the next turn of the event loop, never inside the caller's step,
    // and a burst from one step is queued whole before anything is sent.
    if (!m_reply && !m_wait.isActive())
        m_wait.start(0);
}

void WebhookPoster::test() {
    if (m_testReply) {
        m_testReply->disconnect(this);
        m_testReply->abort();
        m_testReply->deleteLater();
        m_testReply = nullptr;
    }
    if (!isEnabled()) {
        emit testFinished(false, tr("No webhook address is set."));
        return;
    }
    QNetworkReply *reply = m_network.post(
        request(),
        body(tr("Test message from Corvid RCON Admin: notifications will arrive here.")));
    m_testReply = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onTestFinished(reply); });
}

QNetworkRequest WebhookPoster::request() const {
    QNetworkRequest request(m_url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    request.setHeader(QNetworkRequest::UserAgentHeader,
                      QByteArrayLiteral("CorvidRconAdmin/" KVD_VERSION));
    request.setTransferTimeout(Intervals::instance().webhookAnswerTimeoutMs);
    return request;
}

QByteArray WebhookPoster::body(const QString &text) {
    QString content = text;
    if (content.size() > kMaxContentLength)
        content = content.left(kMaxContentLength - 1) + QChar(0x2026);
    // Player names are the players' own: "@everyone" must not alert the whole channel.
    const QJsonObject noMentions{{QStringLiteral("parse"), QJsonArray()}};
    return QJsonDocument(QJsonObject{{QStringLiteral("content"), content},
                                     {QStringLiteral("allowed_mentions"), noMentions}})
        .toJson(QJsonDocument::Compact);
}

void WebhookPoster::sendNext() {
    if (m_reply || m_queue.empty() || !isEnabled())
        return;
    const qint64 wait = m_window.waitMs(nowMs());
    if (wait > 0) {
        m_wait.start(int(wait));
        return;
    }
    const Entry &head = m_queue.front();
    QNetworkReply *reply =
        m_network.post(request(), body(head.folded > 0 ? summaryText(head.folded) : head.text));
    m_reply = reply;
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onFinished(reply); });
}

void WebhookPoster::onFinished(QNetworkReply *reply) {
    reply->deleteLater();
    if (reply != m_reply)
        return;
    m_reply = nullptr;
    const QVariant answered = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const int status = answered.toInt();
    // Counted once answered, so the receiver never sees more than its limit within its window.
    if (answered.isValid())
        m_window.record(nowMs() + 1);

    if (answered.isValid() && isSuccess(status)) {
        if (m_queue.front().folded == 0)
            --m_waitingEvents;
        m_queue.pop_front();
        m_failures = 0;
        if (m_failing) {
            m_failing = false;
            emit message(tr("Webhook works again"));
        }
        sendNext();
        return;
    }
    if (status == 429) {
        const qint64 wait = retryAfterMs(reply->rawHeader(QByteArrayLiteral("Retry-After")),
                                         reply->readAll(), Clock::now())
                                .value_or(Intervals::instance().webhookRetryMs);
        m_wait.start(int(std::min(wait, kLongestRetryAfterMs)));
        return;
    }
    if (refusesMessage(status)) {
        if (m_queue.front().folded == 0)
            --m_waitingEvents;
        m_queue.pop_front();
        if (!m_failing) {
            m_failing = true;
            emit message(tr("Webhook failed: ") +
                         tr("a message was refused (%1)").arg(reasonOf(reply)));
        }
        sendNext();
        return;
    }
    fail(reasonOf(reply));
}

void WebhookPoster::fail(const QString &reason) {
    ++m_failures;
    if (!m_failing) {
        m_failing = true;
        emit message(tr("Webhook failed: ") + reason);
    }
    m_wait.start(int(retryDelayMs(m_failures)));
}

void WebhookPoster::onTestFinished(QNetworkReply *reply) {
    reply->deleteLater();
    if (reply != m_testReply)
        return;
    m_testReply = nullptr;
    const QVariant answered = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (answered.isValid())
        m_window.record(nowMs() + 1);
    if (!answered.isValid() || !isSuccess(answered.toInt())) {
        emit testFinished(false, tr("The test message did not arrive: %1.").arg(reasonOf(reply)));
        return;
    }
    emit testFinished(true, tr("The test message arrived (HTTP %1).").arg(answered.toInt()));
    // The receiver works again: what waits for a retry need not wait out the pause.
    if (m_failures > 0 && m_wait.isActive()) {
        m_wait.stop();
        sendNext();
    }
}

void WebhookPoster::dropInFlight() {
    if (!m_reply)
        return;
    m_reply->disconnect(this);
    m_reply->abort();
    m_reply->deleteLater();
    m_reply = nullptr;
}

QString WebhookPoster::reasonOf(QNetworkReply *reply) const {
    const QUrl sent = reply->request().url();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    QString reason;
    if (status.isValid()) {
        // Our own words: Qt's error text for an HTTP answer quotes the whole address.
        reason = QStringLiteral("HTTP ") + QString::number(status.toInt());
        const QString phrase =
            reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().trimmed();
        if (!phrase.isEmpty())
            reason += QLatin1Char(' ') + phrase;
    } else if (reply->error() == QNetworkReply::OperationCanceledError) {
        reason = tr("no answer within %1 s")
                     .arg(Intervals::instance().webhookAnswerTimeoutMs / 1000.0, 0, 'g', 3);
    } else {
        reason = reply->errorString();
    }
    return withoutUrl(withoutUrl(reason, sent), m_url);
}

qint64 WebhookPoster::nowMs() const {
    return m_clock.elapsed();
}

std::optional<qint64> WebhookPoster::retryAfterMs(const QByteArray &header, const QByteArray &body,
                                                  const QDateTime &now) {
    std::optional<qint64> longest;
    const auto take = [&longest](std::optional<qint64> ms) {
        if (ms && (!longest || *ms > *longest))
            longest = ms;
    };
    const QString value = QString::fromLatin1(header).trimmed();
    if (!value.isEmpty()) {
        bool isNumber = false;
        const double seconds = value.toDouble(&isNumber);
        if (isNumber) {
            take(secondsToMs(seconds));
        } else {
            QString date = value;
            // An HTTP date names its zone "GMT", which the RFC 2822 reader does not take.
            if (date.endsWith(QLatin1String(" GMT")))
                date.replace(date.size() - 3, 3, QStringLiteral("+0000"));
            const QDateTime when = QDateTime::fromString(date, Qt::RFC2822Date);
            if (when.isValid())
                take(std::max<qint64>(0, now.msecsTo(when)));
        }
    }
    const QJsonDocument json = QJsonDocument::fromJson(body);
    const QJsonValue field = json.object().value(QStringLiteral("retry_after"));
    if (field.isDouble())
        take(secondsToMs(field.toDouble()));
    return longest;
}

qint64 WebhookPoster::retryDelayMs(int failures) {
    const Intervals &intervals = Intervals::instance();
    const qint64 longest = intervals.webhookRetryMaxMs;
    qint64 delay = intervals.webhookRetryMs;
    for (int n = 1; n < failures && delay < longest; ++n)
        delay *= 2;
    return std::min(delay, longest);
}

QString WebhookPoster::withoutUrl(const QString &text, const QUrl &url) {
    QString result = text;
    if (!url.isEmpty()) {
        QStringList traces = {url.toString(QUrl::FullyEncoded), url.toString(),
                              url.toDisplayString(), url.toString(QUrl::RemoveScheme)};
        for (const QUrl::ComponentFormattingOptions format :
             {QUrl::ComponentFormattingOptions(QUrl::FullyEncoded),
              QUrl::ComponentFormattingOptions(QUrl::PrettyDecoded)}) {
            if (url.path(format).size() > 1)
                traces << url.path(format);
            traces << url.query(format) << url.password(format);
        }
        traces.removeAll(QString());
        // The longest first, so that a whole address goes before its parts.
        std::sort(traces.begin(), traces.end(),
                  [](const QString &a, const QString &b) { return a.size() > b.size(); });
        for (const QString &trace : std::as_const(traces))
            result.replace(trace, kHidden, Qt::CaseInsensitive);
    }
    static const QRegularExpression anyAddress(
        QStringLiteral("[A-Za-z][A-Za-z0-9+.-]*://[^\\s\"'<>]+"));
    result.replace(anyAddress, kHidden);
    return result;
}

QString WebhookPoster::summaryText(int count) {
    return QString(QChar(0x2026)) + QLatin1Char(' ') +
           (count == 1 ? tr("1 more event") : tr("%1 more events").arg(count));
}
