// The About page over a real update service and a web server on loopback: its idle, downloading
// and ready faces, the boxes that answer its links, and the hand-over to the updater.
#include "base/ProgramFolder.h"
#include "ui/AboutPage.h"
#include "ui/MessageBoxes.h"
#include "ui/ScrollableTextBox.h"
#include "ui/Theme.h"
#include "update/UpdateService.h"

#include "HttpTestServer.h"
#include "TestFiles.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
const QByteArray kChangeLog = "/corvid/changelog.txt";
const QByteArray kExecutable = "/corvid/kvd";

// A portable install whose app.ini points at the server; `url` overrides that address.
struct Install {
    QTemporaryDir dir;
    std::unique_ptr<UpdateService> service;
    QStringList launched;

    explicit Install(const QString &url, const QString &exe = QStringLiteral("kvd")) {
        writeBytes(dir.filePath(QStringLiteral("app.ini")), "[Update]\r\nurl=" + url.toUtf8());
        QFile program(dir.filePath(exe));
        if (program.open(QIODevice::WriteOnly))
            program.write("old program");
        service = std::make_unique<UpdateService>(dir.filePath(QStringLiteral("app.ini")),
                                                  dir.filePath(exe));
        service->setLauncher([this](const QString &script, QString *) {
            launched << script;
            return true;
        });
    }
};

// Clears what the last box said, so that the next one is seen to come.
void forgetBoxes() {
    MessageBoxes::setNextAnswer(QMessageBox::Ok);
    MessageBoxes::inform(nullptr, QStringLiteral("-"));
}

// Counts the turns of the event loop while it lives.
struct LoopTurns {
    QTimer timer;
    int turns = 0;
    LoopTurns() {
        QObject::connect(&timer, &QTimer::timeout, [this] { ++turns; });
        timer.start(0);
    }
};

QList<AboutPage::State> states(const QSignalSpy &spy) {
    QList<AboutPage::State> list;
    for (const QList<QVariant> &arguments : spy)
        list << arguments.at(0).value<AboutPage::State>();
    return list;
}
} // namespace

class TestAboutPage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Theme::apply(*qApp); }

    void idlePageShowsVersionAndKeyboardLinks() {
        Install install(QStringLiteral("http://127.0.0.1:9/"));
        AboutPage page(install.service.get());
        page.show();
        page.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&page));

        QCOMPARE(page.state(), AboutPage::State::Idle);
        QCOMPARE(page.versionLine()->text(), QStringLiteral("Ver.: " KVD_VERSION));
        QVERIFY(page.versionLine()->text().contains(
            QRegularExpression(QStringLiteral("^Ver\\.: \\d+\\.\\d+\\.\\d+\\.\\d+$"))));
        QVERIFY(!page.gauge()->isVisible());
        for (QPushButton *link : {page.checkLink(), page.patchNotesLink()}) {
            QVERIFY(link->isVisible());
            QCOMPARE(link->accessibleName(), link->text());
            QVERIFY(link->focusPolicy() & Qt::TabFocus);
        }
        QCOMPARE(page.checkLink()->text(), QStringLiteral("Check for update"));
        QCOMPARE(page.patchNotesLink()->text(), QStringLiteral("View last patchnotes"));
        QCOMPARE(page.gauge()->accessibleName(), QStringLiteral("Download progress"));

        page.checkLink()->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), page.patchNotesLink());
    }

    void linksAnswerInBoxes_data() {
        QTest::addColumn<QByteArray>("changeLog");
        QTest::addColumn<bool>("reachable");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("patchNotes");
        QTest::addColumn<QString>("box");
        const QByteArray own = UpdateService::versionLabel().toLatin1();
        QTest::newRow("latest") << own + "\r\n"
                                << true << false << false
                                << QStringLiteral("Running latest version");
        QTest::newRow("no service")
            << own << false << false << false << QStringLiteral("No connection to updateservice!");
        QTest::newRow("patch notes") << QByteArray("Ver.: 0.0.0.1\r\n- first\r\n") << true << false
                                     << true << QStringLiteral("Ver.: 0.0.0.1\r\n- first\r\n");
        QTest::newRow("patch notes, no service")
            << own << false << false << true << QStringLiteral("No connection to updateservice!");
        QTest::newRow("newer, installed package")
            << QByteArray("Ver.: 9.9.9.9\r\n") << true << true << false
            << QStringLiteral("New version available (Ver.: 9.9.9.9).\n\nThis installation cannot "
                              "replace its own program file: please update Corvid RCON Admin "
                              "through your package manager.");
    }

    void linksAnswerInBoxes() {
        QFETCH(QByteArray, changeLog);
        QFETCH(bool, reachable);
        QFETCH(bool, installed);
        QFETCH(bool, patchNotes);
        QFETCH(QString, box);
        HttpTestServer server;
        QVERIFY(server.start());
        server.setFile(kChangeLog, changeLog);
        // Below a plain file no folder can be written: the way an installed package looks.
        Install install(reachable ? server.url().toString() : QString(),
                        installed ? QStringLiteral("app.ini/kvd") : QStringLiteral("kvd"));
        AboutPage page(install.service.get());
        QSignalSpy pageStates(&page, &AboutPage::stateChanged);
        page.show();
        forgetBoxes();

        MessageBoxes::setNextAnswer(QMessageBox::Ok);
        QPushButton *link = patchNotes ? page.patchNotesLink() : page.checkLink();
        link->setFocus();
        QTest::keyClick(link, Qt::Key_Space);
        QTRY_COMPARE(MessageBoxes::lastText(), box);
        QCOMPARE(page.state(), AboutPage::State::Idle);
        QVERIFY(pageStates.isEmpty());
        QVERIFY(page.checkLink()->isVisible() && page.checkLink()->isEnabled());
        QCOMPARE(server.rangesOf("HEAD", kExecutable), QList<QByteArray>());
    }

    void hostileServiceIsToldInBoxes_data() {
        QTest::addColumn<int>("kind"); // 0: endless change log, 1: plain http elsewhere,
                                       // 2: digest of other bytes, 3: no digest
        QTest::addColumn<QString>("box");
        QTest::newRow("change log without end") << 0 << QStringLiteral("Change log too large");
        QTest::newRow("plain http to another computer")
            << 1 << QStringLiteral("No connection to updateservice!");
        QTest::newRow("download unlike its digest")
            << 2
            << QStringLiteral(
                   "Update refused: the downloaded file does not match its published SHA-256");
        QTest::newRow("no digest published")
            << 3
            << QStringLiteral(
                   "Update refused: the update service publishes no SHA-256 of the new version");
    }

    void hostileServiceIsToldInBoxes() {
        QFETCH(int, kind);
        QFETCH(QString, box);
        HttpTestServer server;
        QVERIFY(server.start());
        if (kind == 0)
            server.setEndless(kChangeLog, -1);
        else
            server.setFile(kChangeLog, "Ver.: 9.9.9.9\r\n");
        const QByteArray program(100000, 'k');
        server.setFile(kExecutable, program);
        if (kind == 2)
            server.setFile(kExecutable + ".sha256", HttpTestServer::sha256Line("other", "kvd"));
        Install install(kind == 1 ? QStringLiteral("http://192.0.2.7/") : server.url().toString());
        AboutPage page(install.service.get());
        QSignalSpy pageStates(&page, &AboutPage::stateChanged);
        page.show();
        forgetBoxes();
        // The question is answered; so is the warning that follows once the download runs.
        connect(&page, &AboutPage::stateChanged, this, [](AboutPage::State state) {
            if (state == AboutPage::State::Downloading)
                MessageBoxes::setNextAnswer(QMessageBox::Ok);
        });

        MessageBoxes::setNextAnswer(kind >= 2 ? QMessageBox::Yes : QMessageBox::Ok);
        page.checkLink()->click();
        QTRY_COMPARE_WITH_TIMEOUT(MessageBoxes::lastText(), box, 20000);

        // Nothing is offered: no "Restart", the links are back, no file is left.
        QCOMPARE(page.state(), AboutPage::State::Idle);
        QCOMPARE(states(pageStates), kind >= 2
                                         ? (QList<AboutPage::State>{AboutPage::State::Downloading,
                                                                    AboutPage::State::Idle})
                                         : QList<AboutPage::State>());
        QVERIFY(page.checkLink()->isVisible() && page.checkLink()->isEnabled());
        QCOMPARE(page.versionLine()->text(), UpdateService::versionLabel());
        QVERIFY(!QFile::exists(install.service->downloadPath()));
        if (kind == 1)
            QVERIFY(server.requests().isEmpty());
        if (kind == 3)
            QCOMPARE(server.rangesOf("HEAD", kExecutable), QList<QByteArray>());
    }

    void installedConsoleSaysUpdatesComeThroughThePackageManager() {
        const QString folder = ProgramFolder::installedBinDir();
        if (!QFileInfo(folder).isDir())
            QSKIP("the build's install folder does not exist here");
        HttpTestServer server;
        QVERIFY(server.start());
        server.setFile(kChangeLog, "Ver.: 9.9.9.9\r\n");
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("app.ini"));
        writeBytes(ini, "[Update]\r\nurl=" + server.url().toEncoded() + "\r\n");
        // Nothing is written there: the service only learns where the program lies.
        UpdateService service(ini, folder + QStringLiteral("/kvd"));
        AboutPage page(&service);
        page.show();
        forgetBoxes();

        MessageBoxes::setNextAnswer(QMessageBox::Ok);
        page.checkLink()->click();
        QTRY_COMPARE(MessageBoxes::lastText(),
                     QStringLiteral("This Corvid RCON Admin was installed as a package: its "
                                    "updates come through the package manager."));
        QVERIFY(server.requests().isEmpty());
        QCOMPARE(page.state(), AboutPage::State::Idle);
    }

    void longChangeLogOpensAScrollableBoxThatFitsTheScreen_data() {
        QTest::addColumn<QByteArray>("changeLog");
        QTest::addColumn<bool>("cutOff");
        QByteArray lines;
        for (int i = 1; i <= 400; ++i)
            lines += "- fix number " + QByteArray::number(i) + "\r\n";
        QTest::newRow("400 lines") << "Ver.: 0.0.0.1\r\n" + lines << false;
        QTest::newRow("40 MB") << "Ver.: 0.0.0.1\r\n" +
                                      QByteArray("- one more line of fixes\r\n").repeated(1600000)
                               << true;
        QTest::newRow("one line of 2 MB") << QByteArray(2000000, 'x') << true;
    }

    void longChangeLogOpensAScrollableBoxThatFitsTheScreen() {
        QFETCH(QByteArray, changeLog);
        QFETCH(bool, cutOff);
        HttpTestServer server;
        QVERIFY(server.start());
        server.setFile(kChangeLog, changeLog);
        Install install(server.url().toString());
        AboutPage page(install.service.get());
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        forgetBoxes();

        LoopTurns loop;
        page.patchNotesLink()->click();
        QPointer<ScrollableTextBox> box;
        QTRY_VERIFY_WITH_TIMEOUT((box = page.findChild<ScrollableTextBox *>()) && box->isVisible(),
                                 20000);
        QVERIFY(QTest::qWaitForWindowExposed(box));
        QVERIFY2(loop.turns > 20, qPrintable(QString::number(loop.turns)));

        const QRect screen = box->screen()->availableGeometry();
        QVERIFY2(screen.contains(box->frameGeometry()),
                 qPrintable(QStringLiteral("%1,%2 %3x%4")
                                .arg(box->frameGeometry().x())
                                .arg(box->frameGeometry().y())
                                .arg(box->frameGeometry().width())
                                .arg(box->frameGeometry().height())));
        QPushButton *ok = box->buttons()->button(QDialogButtonBox::Ok);
        QVERIFY(ok->isVisible());
        QVERIFY(screen.contains(QRect(ok->mapToGlobal(QPoint(0, 0)), ok->size())));
        QVERIFY(box->isSizeGripEnabled());
        QCOMPARE(box->windowTitle(), QStringLiteral("Corvid RCON Admin"));
        QVERIFY(box->textView()->isReadOnly());
        QVERIFY(!box->textView()->accessibleName().isEmpty());
        const QString shown = box->textView()->toPlainText();
        // At most the first MiB, with lines too long to lay out shown in pieces.
        QVERIFY(shown.size() <= UpdateService::kChangeLogLimit * 1001 / 1000);
        for (const QStringView line : QStringView(shown).split(QLatin1Char('\n')))
            QVERIFY(line.size() <= 2000);
        QVERIFY(
            shown.startsWith(QString::fromLatin1(changeLog.left(40)).remove(QLatin1Char('\r'))));
        QCOMPARE(box->noteLabel()->isVisible(), cutOff);
        if (cutOff)
            QCOMPARE(box->noteLabel()->text(),
                     QStringLiteral("Change log too large: only its first 1 MiB is shown."));
        // More than a screenful scrolls inside the box.
        QVERIFY(box->textView()->verticalScrollBar()->maximum() > 0);

        QTest::keyClick(box, Qt::Key_Return);
        QTRY_VERIFY(box.isNull());
        QVERIFY(page.patchNotesLink()->isEnabled());
    }

    void downloadThenReadyThenRestart() {
        HttpTestServer server;
        QVERIFY(server.start());
        server.setFile(kChangeLog, "Ver.: 9.9.9.9\r\n");
        server.setPublishedFile(kExecutable, QByteArray(100000, 'k'));
        Install install(server.url().toString());
        AboutPage page(install.service.get());
        page.resize(520, 300);
        page.show();
        QSignalSpy pageStates(&page, &AboutPage::stateChanged);
        QSignalSpy closing(&page, &AboutPage::closeRequested);
        QString labelWhileDownloading;
        bool gaugeWhileDownloading = false;
        bool linksWhileDownloading = true;
        connect(&page, &AboutPage::stateChanged, this, [&](AboutPage::State state) {
            if (state != AboutPage::State::Downloading)
                return;
            labelWhileDownloading = page.versionLine()->text();
            gaugeWhileDownloading = page.gauge()->isVisible();
            linksWhileDownloading =
                page.checkLink()->isVisible() || page.patchNotesLink()->isVisible();
        });

        MessageBoxes::setNextAnswer(QMessageBox::Yes);
        page.checkLink()->setFocus();
        QTest::keyClick(page.checkLink(), Qt::Key_Space);
        QTRY_COMPARE_WITH_TIMEOUT(page.state(), AboutPage::State::Ready, 20000);

        QCOMPARE(MessageBoxes::lastText(), QStringLiteral("New version available.   Update?"));
        QCOMPARE(states(pageStates),
                 (QList<AboutPage::State>{AboutPage::State::Downloading, AboutPage::State::Ready}));
        QCOMPARE(labelWhileDownloading, QStringLiteral("Downloading..."));
        QVERIFY(gaugeWhileDownloading);
        QVERIFY(!linksWhileDownloading);
        QCOMPARE(page.versionLine()->text(), QStringLiteral("Done. Ready for Update..."));
        QVERIFY(!page.gauge()->isVisible());
        QVERIFY(!page.checkLink()->isVisible());
        QCOMPARE(page.gauge()->maximum(), 100000);
        QCOMPARE(page.gauge()->value(), 100000);

        const QByteArray shots = qgetenv("KVD_SCREENSHOT_DIR");
        if (!shots.isEmpty())
            page.grab().save(QString::fromLocal8Bit(shots) +
                             QStringLiteral("/about-after-download.png"));

        // The dialog is opened anew: the page shows the download that is ready.
        AboutPage reopened(install.service.get());
        QCOMPARE(reopened.state(), AboutPage::State::Ready);
        QCOMPARE(reopened.versionLine()->text(), QStringLiteral("Done. Ready for Update..."));

        page.restart();
        QCOMPARE(closing.count(), 1);
        QCOMPARE(install.launched, QStringList{install.service->updaterPath()});
        QVERIFY(QFile::exists(install.service->updaterPath()));
    }

    void failedDownloadReturnsToIdleAndSaysWhy() {
        HttpTestServer server;
        QVERIFY(server.start());
        server.setFile(kChangeLog, "Ver.: 9.9.9.9\r\n");
        server.setPublishedFile(kExecutable, QByteArray(100000, 'k'));
        HttpTestServer::Fault fault;
        fault.range = "bytes=40960-81919";
        fault.status = 503;
        server.addFault(kExecutable, fault);
        Install install(server.url().toString());
        AboutPage page(install.service.get());
        page.show();
        QSignalSpy pageStates(&page, &AboutPage::stateChanged);
        // The question is answered; the warning that follows the failure is answered once the
        // download is under way.
        connect(&page, &AboutPage::stateChanged, this, [](AboutPage::State state) {
            if (state == AboutPage::State::Downloading)
                MessageBoxes::setNextAnswer(QMessageBox::Ok);
        });

        MessageBoxes::setNextAnswer(QMessageBox::Yes);
        page.checkLink()->click();
        QTRY_VERIFY_WITH_TIMEOUT(
            MessageBoxes::lastText().startsWith(QLatin1String("Download failed")), 20000);

        QVERIFY2(MessageBoxes::lastText().contains(QLatin1String("503")),
                 qPrintable(MessageBoxes::lastText()));
        QCOMPARE(states(pageStates),
                 (QList<AboutPage::State>{AboutPage::State::Downloading, AboutPage::State::Idle}));
        QCOMPARE(page.versionLine()->text(), UpdateService::versionLabel());
        QVERIFY(!page.gauge()->isVisible());
        QVERIFY(page.checkLink()->isVisible() && page.patchNotesLink()->isVisible());
        QVERIFY(!QFile::exists(install.service->downloadPath()));

        MessageBoxes::setNextAnswer(QMessageBox::Ok);
        page.restart(); // nothing is ready: a warning, no updater
        QCOMPARE(MessageBoxes::lastText(), QStringLiteral("The update could not be started."));
        QVERIFY(install.launched.isEmpty());
    }
};

QTEST_MAIN(TestAboutPage)
#include "tst_aboutpage.moc"
