// Notifications posted to a chat server's webhook, against a receiver on loopback: what is posted
// and when, the receiver's limits (rate, 429 waits, queue), failures, the setting in app.ini and
// the secrecy of the address.
#include "base/IniFile.h"
#include "base/Intervals.h"
#include "monitor/PlayerTracker.h"
#include "monitor/PollCycle.h"
#include "notify/Notifier.h"
#include "notify/RateWindow.h"
#include "notify/WebhookPoster.h"

#include "ConsoleFixture.h"
#include "TestFiles.h"
#include "TestPorts.h"
#include "TestWait.h"
#include "WebhookReceiver.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr int kWait = 20000;
constexpr qint64 kNsPerMs = 1000000;

// Everything the program prints while a fixture lives (error entries included), passed on as well.
QStringList g_output;
QtMessageHandler g_previousHandler = nullptr;
void captureOutput(QtMsgType type, const QMessageLogContext &context, const QString &text) {
    g_output << QLatin1String(context.category ? context.category : "") + QLatin1String(": ") +
                    text;
    if (g_previousHandler)
        g_previousHandler(type, context, text);
}

const QString kSecret = QStringLiteral("s3cr3t-t0ken");

// A started console with an empty server list, its webhook receiver and all program output.
struct Fixture : ConsoleFixture {
    WebhookReceiver receiver;

    Fixture() {
        g_output.clear();
        g_previousHandler = qInstallMessageHandler(captureOutput);
    }
    ~Fixture() {
        console->pollCycle()->stop();
        qInstallMessageHandler(g_previousHandler);
    }

    WebhookPoster *webhook() const { return console->webhook(); }

    // Players joining "Alpha" after the first pass, all in one answer; their program-log lines.
    QStringList join(const QStringList &names) {
        QStringList lines;
        QStringList entries;
        for (const QString &name : names) {
            const QString steamId =
                QStringLiteral("765611980%1").arg(m_nextId++, 8, 10, QLatin1Char('0'));
            lines << QString::number(lines.size()) + QStringLiteral(". ") + name +
                         QStringLiteral(", ") + steamId;
            entries << QStringLiteral("Player: `") + name + QStringLiteral("´ (") + steamId +
                           QStringLiteral(") joined @ `Alpha´");
        }
        console->players()->record(QStringLiteral("Alpha"), lines, false, true);
        return entries;
    }
    bool waitPosts(int count) {
        return waitUntil([this, count] { return receiver.requests.size() >= count; }, kWait);
    }
    QStringList linesWith(const QString &part) const { return messages().filter(part); }

    // No trace of the address (nor of its secret part) in the program log or any output.
    bool addressHidden(const QString &url, const QStringList &more = {}) const {
        const QString path = QUrl(url).path();
        for (const QString &line : messages() + g_output + more) {
            if (line.contains(url) || line.contains(kSecret) || line.contains(path)) {
                qWarning("address shown: %s", qPrintable(line));
                return false;
            }
        }
        return true;
    }

private:
    int m_nextId = 1;
};

WebhookReceiver::Answer answer(int status, const QByteArray &reason,
                               const QList<QPair<QByteArray, QByteArray>> &headers = {},
                               const QByteArray &body = {}) {
    WebhookReceiver::Answer result = WebhookReceiver::status(status, reason);
    result.headers = headers;
    result.body = body;
    return result;
}

} // namespace

class TestWebhook : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Intervals &intervals = Intervals::instance();
        intervals.visitStartFirstPassMs = 10;
        intervals.visitStartMs = 30;
        intervals.watchdogMs = 1200;
        intervals.pollConnectTimeoutMs = 1000;
        intervals.webhookWindowMs = 400;
        intervals.webhookRetryMs = 50;
        intervals.webhookRetryMaxMs = 400;
        intervals.webhookAnswerTimeoutMs = 500;
    }

    void joinDepartureAndStatusChangeArriveInOrderAfterTheFirstPass() {
        Fixture f;
        // Posting does not depend on the desktop notification kind.
        f.setOptions([](ProgramOptions &o) { o.notification = NotificationKind::None; });
        QVERIFY(f.webhook()->setUrl(f.receiver.url()));
        SimServer *alpha = f.startSim(QStringLiteral("Alpha"), QStringLiteral("pw"));
        const QString anna = alpha->addPlayer(QStringLiteral("Anna"));
        f.servers()->appendServer(
            {QStringLiteral("Alpha"), alpha->host(), alpha->portText(), QStringLiteral("pw")});
        int postedInFirstPass = -1;
        QObject::connect(f.state(), &ProgramState::firstPassEnded, [&f, &postedInFirstPass] {
            postedInFirstPass = int(f.receiver.requests.size()) + f.webhook()->queuedCount();
        });
        f.console->pollCycle()->Startles();
        QVERIFY(waitUntil([&postedInFirstPass] { return postedInFirstPass >= 0; }, kWait));
        QCOMPARE(postedInFirstPass, 0); // "Online" and Anna playing stay quiet

        const QString bob = alpha->addPlayer(QStringLiteral("Bob"));
        QVERIFY(f.waitPosts(1));
        QVERIFY(alpha->removePlayer(anna));
        QVERIFY(f.waitPosts(2));
        alpha->stop();
        QVERIFY(f.waitPosts(4));

        const QStringList contents = f.receiver.contents();
        QCOMPARE(contents.size(), 4);
        QCOMPARE(contents.at(0),
                 QStringLiteral("Player: `Bob´ (") + bob + QStringLiteral(") joined @ `Alpha´"));
        static const QRegularExpression left(
            QStringLiteral("^Player: `Anna´ \\(\\d{17}\\) has left `Alpha´ - Duration "
                           "\\{\\d\\d:\\d\\d:\\d\\d\\}$"));
        QVERIFY2(left.match(contents.at(1)).hasMatch(), qPrintable(contents.at(1)));
        QCOMPARE(contents.at(2), QStringLiteral("Serverstatus (Alpha):  Refused"));
        QVERIFY(contents.at(3).startsWith(QStringLiteral("Player: `Bob´ (") + bob +
                                          QStringLiteral(") has left `Alpha´ - Duration {")));
        for (const WebhookReceiver::Request &request : std::as_const(f.receiver.requests)) {
            QCOMPARE(request.method, QByteArray("POST"));
            QCOMPARE(request.path, QByteArray("/api/webhooks/4711/s3cr3t-t0ken"));
            QCOMPARE(request.headers.value("content-type"), QByteArray("application/json"));
            const QJsonObject json = QJsonDocument::fromJson(request.body).object();
            QCOMPARE(json.keys(),
                     (QStringList{QStringLiteral("allowed_mentions"), QStringLiteral("content")}));
            // A name like "@everyone" in a line never pings the channel.
            QCOMPARE(json.value(QStringLiteral("allowed_mentions")).toObject(),
                     (QJsonObject{{QStringLiteral("parse"), QJsonArray()}}));
            QVERIFY2(f.messages().contains(request.content()), qPrintable(request.content()));
        }
    }

    void retryAfterDelaysTheNextPost_data() {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("waitMs");
        QTest::newRow("Retry-After header") << QByteArray("1") << QByteArray() << 1000;
        QTest::newRow("retry_after in the JSON body")
            << QByteArray()
            << QByteArray(R"({"message": "You are being rate limited.", "retry_after": 0.6,)"
                          R"( "global": false})")
            << 600;
    }
    void retryAfterDelaysTheNextPost() {
        QFETCH(QByteArray, header);
        QFETCH(QByteArray, body);
        QFETCH(int, waitMs);
        Fixture f;
        QList<QPair<QByteArray, QByteArray>> headers;
        if (!header.isEmpty())
            headers.append({QByteArrayLiteral("Retry-After"), header});
        f.receiver.queueAnswer(answer(429, "Too Many Requests", headers, body));
        f.webhook()->setUrl(f.receiver.url());
        const QStringList lines = f.join({QStringLiteral("Anna"), QStringLiteral("Bob")});
        QVERIFY(f.waitPosts(3));

        // The refused message goes again, first, and only after the wait it was told.
        QCOMPARE(f.receiver.contents(), (QStringList{lines.at(0), lines.at(0), lines.at(1)}));
        const qint64 gapNs =
            f.receiver.requests.at(1).arrivedNs - f.receiver.requests.at(0).answeredNs;
        QVERIFY2(gapNs >= waitMs * kNsPerMs, qPrintable(QString::number(gapNs / kNsPerMs)));
        QVERIFY(f.linesWith(QStringLiteral("Webhook")).isEmpty()); // a 429 is no failure
    }

    void retryAfterIsReadFromHeaderOrBody_data() {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<qint64>("ms"); // -1: no wait given
        QTest::newRow("whole seconds") << QByteArray("3") << QByteArray() << qint64(3000);
        QTest::newRow("blanks around") << QByteArray(" 2 ") << QByteArray() << qint64(2000);
        QTest::newRow("fraction in the body")
            << QByteArray() << QByteArray(R"({"retry_after": 0.35})") << qint64(350);
        QTest::newRow("both: the longer")
            << QByteArray("2") << QByteArray(R"({"retry_after": 2.5})") << qint64(2500);
        QTest::newRow("HTTP date")
            << QByteArray("Thu, 10 Dec 2026 20:15:30 GMT") << QByteArray() << qint64(30000);
        QTest::newRow("date gone by")
            << QByteArray("Thu, 10 Dec 2026 20:14:00 GMT") << QByteArray() << qint64(0);
        QTest::newRow("zero") << QByteArray("0") << QByteArray() << qint64(0);
        QTest::newRow("huge is bounded")
            << QByteArray() << QByteArray(R"({"retry_after": 1e300})") << qint64(1e12);
        QTest::newRow("words") << QByteArray("soon") << QByteArray() << qint64(-1);
        QTest::newRow("negative") << QByteArray("-5") << QByteArray() << qint64(-1);
        QTest::newRow("body without the field")
            << QByteArray() << QByteArray(R"({"message": "slow down"})") << qint64(-1);
        QTest::newRow("field as text")
            << QByteArray() << QByteArray(R"({"retry_after": "5"})") << qint64(-1);
        QTest::newRow("body no JSON") << QByteArray() << QByteArray("<html>") << qint64(-1);
    }
    void retryAfterIsReadFromHeaderOrBody() {
        QFETCH(QByteArray, header);
        QFETCH(QByteArray, body);
        QFETCH(qint64, ms);
        const QDateTime now(QDate(2026, 12, 10), QTime(20, 15, 0), Qt::UTC);
        const std::optional<qint64> wait = WebhookPoster::retryAfterMs(header, body, now);
        QCOMPARE(wait.value_or(-1), ms);
    }

    void retryPauseDoublesUpToItsLongest_data() {
        QTest::addColumn<int>("failures");
        QTest::addColumn<qint64>("ms");
        QTest::newRow("first") << 1 << qint64(5000);
        QTest::newRow("second") << 2 << qint64(10000);
        QTest::newRow("third") << 3 << qint64(20000);
        QTest::newRow("sixth") << 6 << qint64(160000);
        QTest::newRow("seventh: five minutes") << 7 << qint64(300000);
        QTest::newRow("a day of failures") << 100000 << qint64(300000);
    }
    void retryPauseDoublesUpToItsLongest() {
        QFETCH(int, failures);
        QFETCH(qint64, ms);
        Intervals &intervals = Intervals::instance();
        const Intervals saved = intervals;
        const auto restore = qScopeGuard([&intervals, saved] { intervals = saved; });
        intervals.webhookRetryMs = Intervals().webhookRetryMs;
        intervals.webhookRetryMaxMs = Intervals().webhookRetryMaxMs;
        QCOMPARE(WebhookPoster::retryDelayMs(failures), ms);
    }

    void rateWindowSlides() {
        RateWindow window(3, 1000);
        window.record(0);
        window.record(10);
        QCOMPARE(window.waitMs(20), 0);
        window.record(20);
        QCOMPARE(window.waitMs(20), 980);
        QCOMPARE(window.waitMs(999), 1);
        QCOMPARE(window.waitMs(1000), 0);
        window.record(1000);
        // 10, 20 and 1000 are within the window now: the next may follow 1010.
        QCOMPARE(window.waitMs(1000), 10);
        QCOMPARE(window.waitMs(5000), 0);
    }

    void failingReceiverIsReportedOnceAndRetried_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("nobody listens") << 0 << QStringLiteral("Connection refused");
        QTest::newRow("HTTP 500") << 1 << QStringLiteral("HTTP 500 Internal Server Error");
        QTest::newRow("no answer") << 2 << QStringLiteral("no answer within 0.5 s");
        QTest::newRow("HTTP 404 quoting the address")
            << 3 << QStringLiteral("HTTP 404 Unknown Webhook <webhook address>");
    }
    void failingReceiverIsReportedOnceAndRetried() {
        QFETCH(int, kind);
        QFETCH(QString, reason);
        Fixture f;
        QString url = f.receiver.url();
        if (kind == 0)
            url = QStringLiteral("http://127.0.0.1:") + closedPort() +
                  QStringLiteral("/api/webhooks/4711/") + kSecret;
        else if (kind == 1)
            f.receiver.setAnswer(answer(500, "Internal Server Error"));
        else if (kind == 2)
            f.receiver.setAnswer({204, {}, {}, {}, true});
        else
            f.receiver.setAnswer(answer(404, "Unknown Webhook " + url.toUtf8()));
        f.webhook()->setUrl(url);
        // Counted at the source: the program log would hide a repeat of its newest line.
        QSignalSpy said(f.webhook(), &WebhookPoster::message);
        const QStringList lines = f.join({QStringLiteral("Anna"), QStringLiteral("Bob")});

        QVERIFY(waitUntil([&f] { return f.webhook()->failureCount() >= 3; }, kWait));
        QCOMPARE(said.count(), 1);
        QCOMPARE(f.linesWith(QStringLiteral("Webhook failed: ")),
                 QStringList{QStringLiteral("Webhook failed: ") + reason});
        QCOMPARE(f.webhook()->queuedCount(), 2); // nothing is lost while it fails
        QVERIFY(f.addressHidden(url));
        if (kind == 0)
            return;

        f.receiver.setAnswer({});
        QVERIFY(waitUntil([&f] { return f.webhook()->queuedCount() == 0; }, kWait));
        const QStringList contents = f.receiver.contents();
        QVERIFY(contents.size() >= 4); // three attempts or more, then both
        QCOMPARE(contents.mid(contents.size() - 2), lines);
        QCOMPARE(contents.count(lines.at(1)), 1);
        QCOMPARE(said.count(), 2);
        QCOMPARE(f.linesWith(QStringLiteral("Webhook")),
                 (QStringList{QStringLiteral("Webhook failed: ") + reason,
                              QStringLiteral("Webhook works again")}));
        QVERIFY(f.addressHidden(url));
    }

    void refusedMessageIsDroppedAndTheRestGoOn() {
        Fixture f;
        f.receiver.queueAnswer(answer(400, "Bad Request"));
        f.webhook()->setUrl(f.receiver.url());
        const QStringList lines = f.join({QStringLiteral("Anna"), QStringLiteral("Bob")});
        QVERIFY(waitUntil([&f] { return f.webhook()->queuedCount() == 0; }, kWait));
        QCOMPARE(f.receiver.contents(), lines); // Anna's was refused and is not sent again
        QCOMPARE(f.linesWith(QStringLiteral("Webhook")),
                 (QStringList{QStringLiteral("Webhook failed: a message was refused (HTTP 400 "
                                             "Bad Request)"),
                              QStringLiteral("Webhook works again")}));
    }

    void longTextIsCutToTheReceiversLimit() {
        Fixture f;
        f.webhook()->setUrl(f.receiver.url());
        const QString name = QString(3000, QLatin1Char('x'));
        const QStringList lines = f.join({name});
        QVERIFY(f.waitPosts(1));
        const QString content = f.receiver.requests.at(0).content();
        QCOMPARE(content.size(), WebhookPoster::kMaxContentLength);
        QCOMPARE(content, lines.at(0).left(WebhookPoster::kMaxContentLength - 1) + QChar(0x2026));
    }

    void burstBeyondTheQueueIsSummarised() {
        Fixture f;
        f.webhook()->setUrl(f.receiver.url());
        QStringList names;
        for (int i = 1; i <= 500; ++i)
            names << QStringLiteral("P%1").arg(i, 3, 10, QLatin1Char('0'));
        const QStringList lines = f.join(names);
        QCOMPARE(f.webhook()->queuedCount(), WebhookPoster::kQueueLimit + 1);
        // Once there is room again, a later event waits behind the summary.
        QVERIFY(waitUntil([&f] { return f.webhook()->queuedCount() <= WebhookPoster::kQueueLimit; },
                          kWait));
        const QStringList late = f.join({QStringLiteral("Late")});
        QVERIFY(waitUntil([&f] { return f.webhook()->queuedCount() == 0; }, kWait));
        const QStringList contents = f.receiver.contents();
        QCOMPARE(contents.size(), WebhookPoster::kQueueLimit + 2);
        QCOMPARE(contents.mid(0, WebhookPoster::kQueueLimit),
                 lines.mid(0, WebhookPoster::kQueueLimit));
        QCOMPARE(contents.at(WebhookPoster::kQueueLimit), QStringLiteral("… 300 more events"));
        QCOMPARE(contents.constLast(), late.constFirst());
    }

    void noMoreThanThirtyPostsWithinTheWindow() {
        Intervals &intervals = Intervals::instance();
        const Intervals saved = intervals;
        const auto restore = qScopeGuard([&intervals, saved] { intervals = saved; });
        intervals.webhookWindowMs = 1000;
        Fixture f;
        f.webhook()->setUrl(f.receiver.url());
        QStringList names;
        for (int i = 1; i <= 2 * WebhookPoster::kPostsPerWindow + 1; ++i)
            names << QStringLiteral("P%1").arg(i);
        const QStringList lines = f.join(names);
        QVERIFY(f.waitPosts(int(lines.size())));
        QCOMPARE(f.receiver.contents(), lines);

        // Each post left no sooner than a window after the one 30 posts before was answered.
        const qint64 windowNs = intervals.webhookWindowMs * kNsPerMs;
        const auto &requests = f.receiver.requests;
        for (int i = WebhookPoster::kPostsPerWindow; i < requests.size(); ++i) {
            const qint64 gapNs = requests.at(i).arrivedNs -
                                 requests.at(i - WebhookPoster::kPostsPerWindow).answeredNs;
            QVERIFY2(gapNs >= windowNs, qPrintable(QString::number(i)));
        }
    }

    void addressChangeTakesWhatWaitsAndEmptySwitchesOff() {
        Fixture f;
        const QString dead = QStringLiteral("http://127.0.0.1:") + closedPort() +
                             QStringLiteral("/api/webhooks/1/") + kSecret;
        f.webhook()->setUrl(dead);
        const QStringList lines = f.join({QStringLiteral("Anna"), QStringLiteral("Bob")});
        QVERIFY(waitUntil([&f] { return f.webhook()->failureCount() >= 1; }, kWait));

        QVERIFY(f.webhook()->setUrl(f.receiver.url()));
        QCOMPARE(f.webhook()->failureCount(), 0);
        QVERIFY(waitUntil([&f] { return f.webhook()->queuedCount() == 0; }, kWait));
        QCOMPARE(f.receiver.contents(), lines);

        QVERIFY(f.webhook()->setUrl(QString()));
        QVERIFY(!f.webhook()->isEnabled());
        f.join({QStringLiteral("Cara")});
        QCOMPARE(f.webhook()->queuedCount(), 0);
        QVERIFY(!f.webhook()->setUrl(QStringLiteral("mailto:staff@example.org")));
        QVERIFY(!f.webhook()->isEnabled());
        f.join({QStringLiteral("Dan")});
        QCOMPARE(f.webhook()->queuedCount(), 0);
        QCOMPARE(f.linesWith(QStringLiteral("Webhook failed: ")).size(), 1);
        QVERIFY(f.addressHidden(dead));
    }

    void testMessageSaysWhetherItArrived_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("arrived");
        QTest::addColumn<QString>("text");
        QTest::newRow("taken") << 0 << true
                               << QStringLiteral("The test message arrived (HTTP 204).");
        QTest::newRow("forbidden")
            << 1 << false << QStringLiteral("The test message did not arrive: HTTP 403 Forbidden.");
        QTest::newRow("nobody listens")
            << 2 << false << QStringLiteral("The test message did not arrive: Connection refused.");
        QTest::newRow("no address") << 3 << false << QStringLiteral("No webhook address is set.");
    }
    void testMessageSaysWhetherItArrived() {
        QFETCH(int, kind);
        QFETCH(bool, arrived);
        QFETCH(QString, text);
        Fixture f;
        QString url = f.receiver.url();
        if (kind == 1)
            f.receiver.setAnswer(answer(403, "Forbidden"));
        else if (kind == 2)
            url = QStringLiteral("http://127.0.0.1:") + closedPort() + QStringLiteral("/x/") +
                  kSecret;
        if (kind != 3)
            f.webhook()->setUrl(url);
        QSignalSpy finished(f.webhook(), &WebhookPoster::testFinished);
        f.webhook()->test();
        QVERIFY(finished.count() == 1 || finished.wait(kWait));
        QCOMPARE(finished.at(0).at(0).toBool(), arrived);
        QCOMPARE(finished.at(0).at(1).toString(), text);
        QCOMPARE(f.receiver.requests.size(), kind < 2 ? 1 : 0);
        if (kind < 2)
            QVERIFY(f.receiver.requests.at(0).content().startsWith(QStringLiteral("Test message")));
        QVERIFY(f.linesWith(QStringLiteral("Webhook")).isEmpty()); // the answer is for the UI
        QVERIFY(f.addressHidden(url));
    }

    void successfulTestSendsWhatWaitsAtOnce() {
        Intervals &intervals = Intervals::instance();
        const Intervals saved = intervals;
        const auto restore = qScopeGuard([&intervals, saved] { intervals = saved; });
        intervals.webhookRetryMs = 600000;
        Fixture f;
        f.receiver.queueAnswer(answer(503, "Service Unavailable"));
        f.webhook()->setUrl(f.receiver.url());
        const QStringList lines = f.join({QStringLiteral("Anna")});
        QVERIFY(waitUntil([&f] { return f.webhook()->failureCount() == 1; }, kWait));

        f.webhook()->test();
        QVERIFY(waitUntil([&f] { return f.webhook()->queuedCount() == 0; }, kWait));
        QCOMPARE(f.receiver.contents().constLast(), lines.constFirst());
    }

    void addressIsReadFromAppIniAtStartUp_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("url");
        QTest::newRow("https") << QStringLiteral("https://chat.example.org/api/webhooks/1/abc")
                               << QStringLiteral("https://chat.example.org/api/webhooks/1/abc");
        QTest::newRow("http with blanks") << QStringLiteral("  http://127.0.0.1:9/hook ")
                                          << QStringLiteral("http://127.0.0.1:9/hook");
        QTest::newRow("empty: off") << QString() << QString();
        QTest::newRow("other scheme: off")
            << QStringLiteral("ftp://example.org/") + kSecret << QString();
        QTest::newRow("no address: off") << QStringLiteral("hook ") + kSecret << QString();
        QTest::newRow("no host: off") << QStringLiteral("https:///") + kSecret << QString();
    }
    void addressIsReadFromAppIniAtStartUp() {
        QFETCH(QString, value);
        QFETCH(QString, url);
        QTemporaryDir dir;
        writeBytes(dir.filePath(QStringLiteral("app.ini")),
                   "[pum1]\r\ncinfo=0\r\n[Notify]\r\nwebhook=" + value.toUtf8() + "\r\n");
        Console console(dir.path());
        console.start();
        QCOMPARE(console.webhook()->url(), url);
        QCOMPARE(console.webhook()->isEnabled(), !url.isEmpty());
        QCOMPARE(console.state()->options().notification, NotificationKind::None);
        const QStringList failed =
            console.programLog()->lines().filter(QStringLiteral("Webhook failed: "));
        QCOMPARE(failed.size(), url.isEmpty() && !value.isEmpty() ? 1 : 0);
        for (const QString &line : failed)
            QVERIFY2(!line.contains(kSecret), qPrintable(line));
    }
};

QTEST_GUILESS_MAIN(TestWebhook)
#include "tst_webhook.moc"
