// The webhook field of the options: its label and names, the write to app.ini when editing ends,
// and the test button against a receiver on loopback.
#include "base/AppSettings.h"
#include "base/IniFile.h"
#include "base/ProgramState.h"
#include "console/Settings.h"
#include "notify/WebhookPoster.h"
#include "ui/Theme.h"
#include "ui/WebhookField.h"

#include "TestFiles.h"
#include "TestPorts.h"
#include "WebhookReceiver.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

namespace {
constexpr int kWait = 20000;

struct Fixture {
    QTemporaryDir dir;
    QString ini = dir.filePath(QStringLiteral("app.ini"));
    ProgramState state;
    WebhookPoster poster;
    Settings settings{ini, &state, &poster};
    WebhookReceiver receiver;

    // Types `text` into the field the way the operator does, replacing what was there.
    static void type(WebhookField &field, const QString &text) {
        field.urlEdit()->setFocus();
        field.urlEdit()->selectAll();
        QTest::keyClick(field.urlEdit(), Qt::Key_Delete);
        QTest::keyClicks(field.urlEdit(), text);
    }
};
} // namespace

class TestWebhookField : public QObject {
    Q_OBJECT

private slots:
    void fieldIsLabelledAndNamed() {
        Fixture f;
        f.poster.setUrl(f.receiver.url());
        WebhookField field(&f.poster, &f.settings);
        const QList<QLabel *> labels = field.findChildren<QLabel *>();
        const auto label = std::find_if(labels.begin(), labels.end(), [](QLabel *l) {
            return l->text() == QLatin1String("Webhook URL:");
        });
        QVERIFY(label != labels.end());
        QCOMPARE((*label)->buddy(), field.urlEdit());
        QCOMPARE(field.urlEdit()->accessibleName(), QStringLiteral("Webhook URL"));
        QCOMPARE(field.testButton()->text(), QStringLiteral("Test"));
        QCOMPARE(field.testButton()->accessibleName(), QStringLiteral("Test webhook"));
        QVERIFY(!field.testButton()->toolTip().isEmpty());
        QCOMPARE(field.statusLabel()->accessibleName(), QStringLiteral("Webhook status"));
        QCOMPARE(field.urlEdit()->text(), f.receiver.url());
        QCOMPARE(field.statusText(),
                 QStringLiteral("Joins, departures and status changes are posted here."));

        WebhookPoster off;
        Settings offSettings(f.ini, &f.state, &off);
        WebhookField empty(&off, &offSettings);
        QCOMPARE(empty.urlEdit()->text(), QString());
        QCOMPARE(empty.statusText(), QStringLiteral("Off: nothing is posted."));
    }

    void changeIsWrittenWhenEditingEnds_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("saved"); // what app.ini and the poster hold afterwards
        QTest::addColumn<QString>("status");
        const QString before = QStringLiteral("https://chat.example.org/api/webhooks/1/old");
        QTest::newRow("new address")
            << QStringLiteral("https://chat.example.org/api/webhooks/2/new")
            << QStringLiteral("https://chat.example.org/api/webhooks/2/new")
            << QStringLiteral("Joins, departures and status changes are posted here.");
        QTest::newRow("emptied: off")
            << QString() << QString() << QStringLiteral("Off: nothing is posted.");
        QTest::newRow("no address: kept as it was")
            << QStringLiteral("chat.example.org/hook") << before
            << QStringLiteral("This is no HTTP or HTTPS address; the webhook stays as it was.");
    }
    void changeIsWrittenWhenEditingEnds() {
        QFETCH(QString, typed);
        QFETCH(QString, saved);
        QFETCH(QString, status);
        Fixture f;
        writeBytes(f.ini, "[pum1]\r\ncinfo=2\r\n[Notify]\r\nwebhook="
                          "https://chat.example.org/api/webhooks/1/old\r\n");
        f.poster.setUrl(AppSettings::webhookUrl(f.ini));
        WebhookField field(&f.poster, &f.settings);
        field.show();
        QVERIFY(QTest::qWaitForWindowExposed(&field));

        Fixture::type(field, typed);
        QCOMPARE(AppSettings::webhookUrl(f.ini),
                 QStringLiteral("https://chat.example.org/api/webhooks/1/old")); // not yet
        QTest::keyClick(field.urlEdit(), Qt::Key_Return);
        QCOMPARE(AppSettings::webhookUrl(f.ini), saved);
        QCOMPARE(f.poster.url(), saved);
        QCOMPARE(field.statusText(), status);
        QCOMPARE(IniFile(f.ini).readInt(QStringLiteral("pum1"), QStringLiteral("cinfo")), 2);
    }

    void unsavedSettingIsShownButApplied() {
        Fixture f;
        Settings gone(f.dir.filePath(QStringLiteral("gone/app.ini")), &f.state, &f.poster);
        QSignalSpy told(&gone, &Settings::message);
        WebhookField field(&f.poster, &gone);
        field.show();
        QVERIFY(QTest::qWaitForWindowExposed(&field));
        Fixture::type(field, f.receiver.url());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(" \\(Options\\)$")));
        QTest::keyClick(field.urlEdit(), Qt::Key_Return);
        QCOMPARE(f.poster.url(), f.receiver.url());
        QCOMPARE(told.size(), 1);
        QCOMPARE(told.at(0).at(0).toString(), QStringLiteral("Error saving settings"));
        QVERIFY2(field.statusText().startsWith(QStringLiteral(
                     "In use until the program ends, but app.ini could not be saved: ")),
                 qPrintable(field.statusText()));
        QVERIFY(!field.statusText().contains(QStringLiteral("s3cr3t")));
    }

    void testButtonShowsWhetherTheMessageArrived_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("shown");
        QTest::newRow("taken") << 204 << QStringLiteral("The test message arrived (HTTP 204).");
        QTest::newRow("unknown webhook")
            << 404 << QStringLiteral("The test message did not arrive: HTTP 404 Not Found.");
    }
    void testButtonShowsWhetherTheMessageArrived() {
        QFETCH(int, status);
        QFETCH(QString, shown);
        Fixture f;
        f.receiver.setAnswer(
            WebhookReceiver::status(status, status == 204 ? "No Content" : "Not Found"));
        WebhookField field(&f.poster, &f.settings);
        field.show();
        QVERIFY(QTest::qWaitForWindowExposed(&field));

        // Typed but not yet confirmed: the test takes the address in the field and saves it.
        Fixture::type(field, f.receiver.url());
        QTest::mouseClick(field.testButton(), Qt::LeftButton);
        QCOMPARE(f.poster.url(), f.receiver.url());
        QCOMPARE(AppSettings::webhookUrl(f.ini), f.receiver.url());
        QTRY_COMPARE_WITH_TIMEOUT(field.statusText(), shown, kWait);
        QVERIFY(field.testButton()->isEnabled());
        QCOMPARE(f.receiver.requests.size(), 1);
        QVERIFY(f.receiver.requests.at(0).content().startsWith(QStringLiteral("Test message")));
    }

    void testWithoutAddressSaysSo() {
        Fixture f;
        WebhookField field(&f.poster, &f.settings);
        QTest::mouseClick(field.testButton(), Qt::LeftButton);
        QCOMPARE(field.statusText(), QStringLiteral("No webhook address is set."));
        QVERIFY(field.testButton()->isEnabled());

        // A dead address: the button waits for the outcome, then takes clicks again.
        f.poster.setUrl(QStringLiteral("http://127.0.0.1:") + closedPort() +
                        QStringLiteral("/api/webhooks/9/s3cr3t"));
        WebhookField dead(&f.poster, &f.settings);
        QTest::mouseClick(dead.testButton(), Qt::LeftButton);
        QVERIFY(!dead.testButton()->isEnabled());
        QCOMPARE(dead.statusText(), QStringLiteral("Posting a test message…"));
        QTRY_VERIFY_WITH_TIMEOUT(dead.testButton()->isEnabled(), kWait);
        QCOMPARE(dead.statusText(),
                 QStringLiteral("The test message did not arrive: Connection refused."));
    }

    // Under Xvfb with KVD_SCREENSHOT_DIR set: the field after a successful test, themed.
    void screenshot() {
        const QByteArray shots = qgetenv("KVD_SCREENSHOT_DIR");
        if (shots.isEmpty())
            QSKIP("KVD_SCREENSHOT_DIR is not set");
        Theme::apply(*qApp);
        Fixture f;
        f.poster.setUrl(f.receiver.url(QStringLiteral("/api/webhooks/1234567890/example-token")));
        QWidget page;
        auto *layout = new QVBoxLayout(&page);
        auto *field = new WebhookField(&f.poster, &f.settings, &page);
        layout->addWidget(field);
        layout->addStretch();
        page.resize(620, 90);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        QTest::mouseClick(field->testButton(), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(field->testButton()->isEnabled(), kWait);
        QVERIFY(
            page.grab().save(QString::fromLocal8Bit(shots) + QStringLiteral("/webhook-field.png")));
    }
};

QTEST_MAIN(TestWebhookField)
#include "tst_webhookfield.moc"
