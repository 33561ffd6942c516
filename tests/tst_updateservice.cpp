// The update service against a web server on loopback: the version check, the change log, the
// ranged download and its failures, and the updater script that takes over after a restart.
#include "base/AnsiCodec.h"
#include "base/Intervals.h"
#include "base/PrivateFiles.h"
#include "base/ProgramFolder.h"
#include "update/PublishedDigest.h"
#include "update/RangedDownload.h"
#include "update/UpdateService.h"
#include "update/UpdaterScript.h"

#include "FileModes.h"
#include "HttpTestServer.h"
#include "TestFiles.h"
#include "TestPorts.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <unistd.h>

Q_DECLARE_METATYPE(HttpTestServer::Fault)

namespace {
const QByteArray kChangeLog = "/updates/corvid/changelog.txt";
const QByteArray kExecutable = "/updates/corvid/kvd";

QByteArray fileOfSize(qint64 size) {
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + i / 251) & 0xff);
    return bytes;
}

// A portable install: the executable and app.ini in a folder of their own, app.ini pointing at
// the test's server below "/updates" (written without the closing slash).
struct Install {
    QTemporaryDir dir;
    QString exe = dir.filePath(QStringLiteral("kvd"));
    std::unique_ptr<UpdateService> service;

    explicit Install(const QString &url) {
        if (!url.isNull())
            writeBytes(ini(), "[Update]\r\nurl=" + url.toUtf8() + "\r\n");
        writeBytes(exe, "old program");
        QFile::setPermissions(exe, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                       QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                       QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                       QFileDevice::ExeOther);
        service = std::make_unique<UpdateService>(ini(), exe);
    }
    explicit Install(const HttpTestServer &server)
        : Install(server.url(QStringLiteral("updates")).toString()) {}

    QString ini() const { return dir.filePath(QStringLiteral("app.ini")); }
    QString tmp() const { return dir.filePath(QStringLiteral("kvd.tmp")); }
    // Every file of the folder but the executable and app.ini: what a download left behind.
    QStringList leftovers() const {
        QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        names.removeAll(QStringLiteral("kvd"));
        names.removeAll(QStringLiteral("app.ini"));
        return names;
    }
};

bool waitForIdleOrReady(UpdateService *service) {
    return QTest::qWaitFor(
        [service] {
            return service->state() == UpdateService::State::Idle ||
                   service->state() == UpdateService::State::Ready;
        },
        20000);
}

// Counts the turns of the event loop while it lives: a loop that is never held up turns
// many times during a transfer.
struct LoopTurns {
    QTimer timer;
    int turns = 0;
    LoopTurns() {
        QObject::connect(&timer, &QTimer::timeout, [this] { ++turns; });
        timer.start(0);
    }
};

QList<UpdateService::State> states(const QSignalSpy &spy) {
    QList<UpdateService::State> list;
    for (const QList<QVariant> &arguments : spy)
        list << arguments.at(0).value<UpdateService::State>();
    return list;
}
} // namespace

class TestUpdateService : public QObject {
    Q_OBJECT

private slots:
    void init() { Intervals::instance() = Intervals(); }

    void checkComparesTheChangeLogsFirstLine_data();
    void checkComparesTheChangeLogsFirstLine();
    void patchNotesAreTheWholeChangeLog_data();
    void patchNotesAreTheWholeChangeLog();
    void withoutServiceCheckSaysNoConnection_data();
    void withoutServiceCheckSaysNoConnection();
    void changeLogIsReadUpToOneMebibyte_data();
    void changeLogIsReadUpToOneMebibyte();
    void plainHttpOnlyOnThisComputer_data();
    void plainHttpOnlyOnThisComputer();
    void redirectsKeepToTheSameRule_data();
    void redirectsKeepToTheSameRule();
    void requestsSendTheServiceHeaders();
    void downloadFetchesPiecesInOrder_data();
    void downloadFetchesPiecesInOrder();
    void withoutLengthOnHeadOneRequestWithoutRange();
    void serverWithoutRangesStillGivesTheWholeFile();
    void brokenDownloadLeavesNothingAndReturnsToIdle_data();
    void brokenDownloadLeavesNothingAndReturnsToIdle();
    void downloadTakesNoMoreThanAnnounced_data();
    void downloadTakesNoMoreThanAnnounced();
    void publishedDigestForms_data();
    void publishedDigestForms();
    void onlyAVerifiedDownloadIsKept_data();
    void onlyAVerifiedDownloadIsKept();
    void unwritableFolderIsToldButNotDownloaded_data();
    void unwritableFolderIsToldButNotDownloaded();
    void batchUpdaterLines();
    void batchUpdaterFileAndQuotedNames();
    void shellUpdaterLines();
    void shellUpdaterIsValidShell_data();
    void shellUpdaterIsValidShell();
    void restartWritesTheUpdaterAndStartsIt();
    void restartWithoutDownloadDoesNothing();
};

void TestUpdateService::checkComparesTheChangeLogsFirstLine_data() {
    QTest::addColumn<QByteArray>("changeLog");
    QTest::addColumn<bool>("newer");
    const QByteArray own = UpdateService::versionLabel().toLatin1();
    QByteArray higherLast = own;
    higherLast.back() = char(higherLast.back() + 1);

    QTest::newRow("own label") << own << false;
    QTest::newRow("own label, more on the line") << own + " (released today)\r\n- fixes" << false;
    QTest::newRow("own label, newer one below") << own + "\r\nVer.: 9.9.9.9\r\n" << false;
    QTest::newRow("older") << QByteArray("Ver.: 0.0.0.0\r\nstuff") << false;
    QTest::newRow("empty change log") << QByteArray() << false;
    QTest::newRow("higher last number") << higherLast + "\r\n- new things" << true;
    QTest::newRow("higher first number") << QByteArray("Ver.: 9.0.0.0\n") << true;
    QTest::newRow("first line shorter than a label") << QByteArray("Ver.: 99\r\n") << true;
}

void TestUpdateService::checkComparesTheChangeLogsFirstLine() {
    QFETCH(QByteArray, changeLog);
    QFETCH(bool, newer);
    HttpTestServer server;
    QVERIFY(server.start());
    server.setFile(kChangeLog, changeLog);
    Install install(server);
    UpdateService *service = install.service.get();
    QSignalSpy latest(service, &UpdateService::latestVersionRunning);
    QSignalSpy available(service, &UpdateService::newerVersionAvailable);
    QSignalSpy noConnection(service, &UpdateService::noConnection);
    QSignalSpy stateChanges(service, &UpdateService::stateChanged);

    service->checkForUpdate();
    QCOMPARE(service->state(), UpdateService::State::Checking);
    QTRY_COMPARE(latest.count() + available.count() + noConnection.count(), 1);

    QCOMPARE(available.count(), newer ? 1 : 0);
    QCOMPARE(latest.count(), newer ? 0 : 1);
    if (newer) {
        QCOMPARE(available.at(0).at(0).toString(),
                 UpdateService::remoteLabel(QString::fromLatin1(changeLog)));
        QCOMPARE(available.at(0).at(1).toBool(), true);
    }
    QCOMPARE(states(stateChanges), (QList<UpdateService::State>{UpdateService::State::Checking,
                                                                UpdateService::State::Idle}));
    QCOMPARE(server.requests().size(), 1);
    QCOMPARE(server.requests().at(0).line, "GET " + kChangeLog + " HTTP/1.1");
    QVERIFY(!QFile::exists(install.tmp())); // a check downloads nothing
}

void TestUpdateService::patchNotesAreTheWholeChangeLog_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    const QString notes = QStringLiteral("Ver.: 1.0.0.2\r\n- Grüße für alle\r\n- 5 € off\r\n");
    QTest::newRow("UTF-8") << notes.toUtf8() << notes;
    QTest::newRow("UTF-8 with a byte-order mark") << "\xEF\xBB\xBF" + notes.toUtf8() << notes;
    QTest::newRow("Windows-1252") << AnsiCodec::encode(notes) << notes;
}

void TestUpdateService::patchNotesAreTheWholeChangeLog() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    HttpTestServer server;
    QVERIFY(server.start());
    server.setFile(kChangeLog, bytes);
    Install install(server);
    QSignalSpy notes(install.service.get(), &UpdateService::patchNotesFetched);

    install.service->fetchPatchNotes();
    QTRY_COMPARE(notes.count(), 1);
    QCOMPARE(notes.at(0).at(0).toString(), text);
    QCOMPARE(install.service->state(), UpdateService::State::Idle);
}

void TestUpdateService::withoutServiceCheckSaysNoConnection_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("reachesServer");
    QTest::newRow("no app.ini") << QString() << false;
    QTest::newRow("no url") << QStringLiteral("") << false;
    QTest::newRow("not a web address") << QStringLiteral("ftp://127.0.0.1/updates") << false;
    QTest::newRow("nobody listening")
        << QStringLiteral("http://127.0.0.1:%1/updates/").arg(closedPort()) << false;
    QTest::newRow("no change log there") << QStringLiteral("elsewhere") << true;
}

void TestUpdateService::withoutServiceCheckSaysNoConnection() {
    QFETCH(QString, url);
    QFETCH(bool, reachesServer);
    HttpTestServer server;
    QVERIFY(server.start());
    server.setFile(kChangeLog, UpdateService::versionLabel().toLatin1());
    Install install(url == QLatin1String("elsewhere") ? server.url(url).toString() : url);
    UpdateService *service = install.service.get();
    QSignalSpy noConnection(service, &UpdateService::noConnection);
    QSignalSpy latest(service, &UpdateService::latestVersionRunning);
    QSignalSpy notes(service, &UpdateService::patchNotesFetched);

    service->checkForUpdate();
    QTRY_COMPARE(noConnection.count(), 1);
    QVERIFY(!noConnection.at(0).at(0).toString().isEmpty());
    QCOMPARE(service->state(), UpdateService::State::Idle);
    service->fetchPatchNotes();
    QTRY_COMPARE(noConnection.count(), 2);
    QCOMPARE(latest.count() + notes.count(), 0);
    QCOMPARE(server.requests().size(), reachesServer ? 2 : 0);
    if (reachesServer)
        QVERIFY2(noConnection.at(0).at(0).toString().contains(QLatin1String("404")),
                 qPrintable(noConnection.at(0).at(0).toString()));
}

void TestUpdateService::changeLogIsReadUpToOneMebibyte_data() {
    QTest::addColumn<qint64>("endless"); // -2: a plain file of `size` bytes
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("cutOff");
    const qint64 limit = UpdateService::kChangeLogLimit;
    QTest::newRow("endless, no length") << qint64(-1) << qint64(0) << true;
    QTest::newRow("endless, announcing 40 MB") << qint64(40000000) << qint64(0) << true;
    QTest::newRow("40 MB file") << qint64(-2) << qint64(40000000) << true;
    QTest::newRow("one byte more than the limit") << qint64(-2) << limit + 1 << true;
    QTest::newRow("exactly the limit") << qint64(-2) << limit << false;
}

void TestUpdateService::changeLogIsReadUpToOneMebibyte() {
    QFETCH(qint64, endless);
    QFETCH(qint64, size);
    QFETCH(bool, cutOff);
    HttpTestServer server;
    QVERIFY(server.start());
    const QByteArray firstLine = "Ver.: 9.9.9.9\r\n";
    if (endless == -2) {
        const QByteArray line = "- a line of the change log\r\n";
        QByteArray file = firstLine + line.repeated((size - firstLine.size()) / line.size());
        file += QByteArray(size - file.size(), 'x');
        server.setFile(kChangeLog, file);
    } else {
        server.setEndless(kChangeLog, endless);
    }
    Install install(server);
    UpdateService *service = install.service.get();
    QSignalSpy tooLarge(service, &UpdateService::changeLogTooLarge);
    QSignalSpy available(service, &UpdateService::newerVersionAvailable);
    QSignalSpy notes(service, &UpdateService::patchNotesFetched);
    QSignalSpy noConnection(service, &UpdateService::noConnection);

    LoopTurns loop;
    service->checkForUpdate();
    QTRY_COMPARE_WITH_TIMEOUT(tooLarge.count() + available.count() + noConnection.count(), 1,
                              20000);
    QCOMPARE(tooLarge.count(), cutOff ? 1 : 0);
    QCOMPARE(available.count(), cutOff ? 0 : 1);
    QCOMPARE(service->state(), UpdateService::State::Idle);

    service->fetchPatchNotes();
    QTRY_COMPARE_WITH_TIMEOUT(notes.count() + noConnection.count(), 1, 20000);
    QCOMPARE(noConnection.count(), 0);
    const QString text = notes.at(0).at(0).toString();
    QCOMPARE(notes.at(0).at(1).toBool(), cutOff);
    QVERIFY(text.size() <= UpdateService::kChangeLogLimit);
    QVERIFY(text.size() > UpdateService::kChangeLogLimit - 4096);
    if (endless != -2)
        QVERIFY(text.startsWith(QLatin1String("- another fix")));
    else
        QVERIFY(text.startsWith(QString::fromLatin1(firstLine)));
    // A cut change log ends with its last whole line.
    if (cutOff && endless != -2)
        QVERIFY(text.endsWith(QLatin1Char('\n')));
    QVERIFY2(loop.turns > 20, qPrintable(QString::number(loop.turns)));
    if (endless != -2) {
        // The console hung up: what the server could send is what the sockets hold.
        QTRY_VERIFY(server.endlessAnswersEnded());
        QVERIFY2(server.endlessBytesSent() < 64 * 1024 * 1024,
                 qPrintable(QString::number(server.endlessBytesSent())));
    }
}

void TestUpdateService::plainHttpOnlyOnThisComputer_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("https") << QStringLiteral("https://updates.example.org/kvd/") << true;
    QTest::newRow("HTTPS in capitals") << QStringLiteral("HTTPS://updates.example.org/") << true;
    QTest::newRow("http elsewhere") << QStringLiteral("http://updates.example.org/kvd/") << false;
    QTest::newRow("http to an address") << QStringLiteral("http://192.0.2.7:8080/") << false;
    QTest::newRow("http to a name that starts like localhost")
        << QStringLiteral("http://localhost.example.org/") << false;
    QTest::newRow("http to a name that starts like 127")
        << QStringLiteral("http://127.0.0.1.example.org/") << false;
    QTest::newRow("http to every address") << QStringLiteral("http://0.0.0.0/") << false;
    QTest::newRow("http to localhost") << QStringLiteral("http://localhost:8080/kvd/") << true;
    QTest::newRow("http to LocalHost") << QStringLiteral("http://LocalHost/") << true;
    QTest::newRow("http to 127.0.0.1") << QStringLiteral("http://127.0.0.1:8080/") << true;
    QTest::newRow("http to 127.200.3.4") << QStringLiteral("http://127.200.3.4/") << true;
    QTest::newRow("http to ::1") << QStringLiteral("http://[::1]:8080/") << true;
}

void TestUpdateService::plainHttpOnlyOnThisComputer() {
    QFETCH(QString, url);
    QFETCH(bool, allowed);
    Install install(url);
    UpdateService *service = install.service.get();
    QString problem;
    QCOMPARE(service->baseUrl(&problem).isValid(), allowed);
    if (allowed)
        return;
    QVERIFY2(problem.contains(QLatin1String("https:// only")) &&
                 problem.contains(QLatin1String("127.0.0.0/8")) && problem.contains(url),
             qPrintable(problem));

    // Refused before anything goes out: no name is looked up, no connection made.
    QSignalSpy noConnection(service, &UpdateService::noConnection);
    QSignalSpy failed(service, &UpdateService::downloadFailed);
    service->checkForUpdate();
    service->fetchPatchNotes();
    service->download();
    QCOMPARE(noConnection.count(), 2);
    QCOMPARE(noConnection.at(0).at(0).toString(), problem);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toString(), problem);
    QCOMPARE(service->state(), UpdateService::State::Idle);
}

void TestUpdateService::redirectsKeepToTheSameRule_data() {
    QTest::addColumn<QByteArray>("location");
    QTest::addColumn<bool>("followed");
    QTest::newRow("to plain http elsewhere")
        << QByteArray("http://192.0.2.7/corvid/changelog.txt") << false;
    QTest::newRow("to another path here") << QByteArray("/mirror/corvid/changelog.txt") << true;
}

void TestUpdateService::redirectsKeepToTheSameRule() {
    QFETCH(QByteArray, location);
    QFETCH(bool, followed);
    HttpTestServer server;
    QVERIFY(server.start());
    server.setRedirect(kChangeLog, location);
    server.setFile("/mirror/corvid/changelog.txt", "Ver.: 0.0.0.1\r\n- from the mirror\r\n");
    Install install(server);
    QSignalSpy notes(install.service.get(), &UpdateService::patchNotesFetched);
    QSignalSpy noConnection(install.service.get(), &UpdateService::noConnection);

    install.service->fetchPatchNotes();
    QTRY_COMPARE(notes.count() + noConnection.count(), 1);
    QCOMPARE(notes.count(), followed ? 1 : 0);
    if (followed) {
        QCOMPARE(notes.at(0).at(0).toString(),
                 QStringLiteral("Ver.: 0.0.0.1\r\n- from the mirror\r\n"));
    } else {
        const QString reason = noConnection.at(0).at(0).toString();
        QVERIFY2(reason.contains(QLatin1String("redirected to http://192.0.2.7/")) &&
                     reason.contains(QLatin1String("https:// only")),
                 qPrintable(reason));
    }
    QCOMPARE(install.service->state(), UpdateService::State::Idle);
}

void TestUpdateService::requestsSendTheServiceHeaders() {
    HttpTestServer server;
    QVERIFY(server.start());
    server.setFile(kChangeLog, "Ver.: 9.9.9.9\r\n");
    server.setPublishedFile(kExecutable, fileOfSize(50000));
    server.setCookie("visit=42; Path=/");
    Install install(server);
    UpdateService *service = install.service.get();
    QSignalSpy available(service, &UpdateService::newerVersionAvailable);
    service->checkForUpdate();
    QTRY_COMPARE(available.count(), 1);
    service->download();
    QVERIFY(waitForIdleOrReady(service));
    QCOMPARE(service->state(), UpdateService::State::Ready);

    const QList<HttpRequest> requests = server.requests();
    QCOMPARE(requests.size(), 5);
    QCOMPARE(requests.at(0).line, "GET " + kChangeLog + " HTTP/1.1");
    QCOMPARE(requests.at(1).line, "GET " + kExecutable + ".sha256 HTTP/1.1");
    QCOMPARE(requests.at(2).line, "HEAD " + kExecutable + " HTTP/1.1");
    QCOMPARE(requests.at(3).line, "GET " + kExecutable + " HTTP/1.1");
    for (const HttpRequest &request : requests) {
        QCOMPARE(request.header("Accept"),
                 "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8");
        QCOMPARE(request.header("User-Agent"), "Mozilla/3.0 (compatible; Indy Library)");
        QCOMPARE(request.header("Accept-Encoding"), "identity");
    }
    // The cookie of the first answer goes with every later request.
    QVERIFY(!requests.at(0).hasHeader("Cookie"));
    for (qsizetype i = 1; i < requests.size(); ++i)
        QCOMPARE(requests.at(i).header("Cookie"), "visit=42");
    QVERIFY(!requests.at(1).hasHeader("Range"));
    QVERIFY(!requests.at(2).hasHeader("Range"));
    QCOMPARE(requests.at(3).header("Range"), "bytes=0-40959");
    QCOMPARE(requests.at(4).header("Range"), "bytes=40960-");
}

void TestUpdateService::downloadFetchesPiecesInOrder_data() {
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QList<QByteArray>>("ranges");
    QTest::newRow("100000 bytes") << qint64(100000)
                                  << QList<QByteArray>{"bytes=0-40959", "bytes=40960-81919",
                                                       "bytes=81920-"};
    QTest::newRow("exactly one piece") << qint64(40960) << QList<QByteArray>{"bytes=0-"};
    QTest::newRow("one byte more than a piece")
        << qint64(40961) << QList<QByteArray>{"bytes=0-40959", "bytes=40960-"};
    QTest::newRow("exactly two pieces")
        << qint64(81920) << QList<QByteArray>{"bytes=0-40959", "bytes=40960-"};
    QTest::newRow("one byte") << qint64(1) << QList<QByteArray>{"bytes=0-"};
}

void TestUpdateService::downloadFetchesPiecesInOrder() {
    QFETCH(qint64, size);
    QFETCH(QList<QByteArray>, ranges);
    HttpTestServer server;
    QVERIFY(server.start());
    const QByteArray file = fileOfSize(size);
    server.setPublishedFile(kExecutable, file);
    Install install(server);
    writeBytes(install.tmp(), "a stale download");
    UpdateService *service = install.service.get();
    QSignalSpy stateChanges(service, &UpdateService::stateChanged);
    QSignalSpy progress(service, &UpdateService::downloadProgress);
    QSignalSpy finished(service, &UpdateService::downloadFinished);
    QSignalSpy failed(service, &UpdateService::downloadFailed);

    service->download();
    QCOMPARE(service->state(), UpdateService::State::Downloading);
    QVERIFY(!QFile::exists(install.tmp()));
    QVERIFY(waitForIdleOrReady(service));

    QVERIFY2(failed.isEmpty(), failed.isEmpty() ? "" : qPrintable(failed.at(0).at(0).toString()));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(states(stateChanges), (QList<UpdateService::State>{UpdateService::State::Downloading,
                                                                UpdateService::State::Ready}));
    QCOMPARE(server.rangesOf("HEAD", kExecutable), QList<QByteArray>{"-"});
    QCOMPARE(server.rangesOf("GET", kExecutable), ranges);
    // The published digest is fetched first, then the executable's length.
    QCOMPARE(server.requests().at(0).path, kExecutable + ".sha256");
    QCOMPARE(server.requests().at(1).method, "HEAD");
    QCOMPARE(readBytes(install.tmp()), file);
    QCOMPARE(install.leftovers(), QStringList{QStringLiteral("kvd.tmp")});

    qint64 previous = -1;
    for (const QList<QVariant> &step : progress) {
        QCOMPARE(step.at(1).toLongLong(), size);
        QVERIFY(step.at(0).toLongLong() >= previous);
        previous = step.at(0).toLongLong();
    }
    QCOMPARE(previous, size);
}

void TestUpdateService::withoutLengthOnHeadOneRequestWithoutRange() {
    HttpTestServer server;
    QVERIFY(server.start());
    const QByteArray file = fileOfSize(100000);
    server.setPublishedFile(kExecutable, file);
    server.setOmitLengthOnHead(true);
    Install install(server);
    QSignalSpy progress(install.service.get(), &UpdateService::downloadProgress);

    install.service->download();
    QVERIFY(waitForIdleOrReady(install.service.get()));

    QCOMPARE(install.service->state(), UpdateService::State::Ready);
    QCOMPARE(server.rangesOf("HEAD", kExecutable), QList<QByteArray>{"-"});
    QCOMPARE(server.rangesOf("GET", kExecutable), QList<QByteArray>{"-"});
    QCOMPARE(readBytes(install.tmp()), file);
    QVERIFY(!progress.isEmpty());
    QCOMPARE(progress.constLast().at(0).toLongLong(), qint64(100000));
    QCOMPARE(progress.constLast().at(1).toLongLong(), qint64(-1));
}

void TestUpdateService::serverWithoutRangesStillGivesTheWholeFile() {
    HttpTestServer server;
    QVERIFY(server.start());
    const QByteArray file = fileOfSize(100000);
    server.setPublishedFile(kExecutable, file);
    server.setIgnoreRanges(true);
    Install install(server);

    install.service->download();
    QVERIFY(waitForIdleOrReady(install.service.get()));

    QCOMPARE(install.service->state(), UpdateService::State::Ready);
    QCOMPARE(server.rangesOf("GET", kExecutable), QList<QByteArray>{"bytes=0-40959"});
    QCOMPARE(readBytes(install.tmp()), file);
}

void TestUpdateService::brokenDownloadLeavesNothingAndReturnsToIdle_data() {
    QTest::addColumn<HttpTestServer::Fault>("fault");
    QTest::addColumn<qint64>("announced");
    QTest::addColumn<QString>("reason");
    HttpTestServer::Fault fault;

    fault.method = "HEAD";
    fault.status = 404;
    QTest::newRow("length asked, 404") << fault << qint64(-1) << QStringLiteral("404");
    fault = {};
    fault.range = "bytes=40960-81919";
    fault.status = 500;
    QTest::newRow("second piece, 500") << fault << qint64(-1) << QStringLiteral("500");
    fault = {};
    fault.range = "bytes=40960-81919";
    fault.cutAfter = 1000;
    QTest::newRow("second piece cut off") << fault << qint64(-1) << QString();
    fault = {};
    QTest::newRow("fewer bytes than announced")
        << fault << qint64(120000) << QStringLiteral("100000 of 120000");
    fault = {};
    fault.range = "bytes=81920-";
    fault.stall = true;
    fault.cutAfter = 100;
    QTest::newRow("last piece stalls")
        << fault << qint64(-1) << QStringLiteral("stopped answering");
}

void TestUpdateService::brokenDownloadLeavesNothingAndReturnsToIdle() {
    QFETCH(HttpTestServer::Fault, fault);
    QFETCH(qint64, announced);
    QFETCH(QString, reason);
    Intervals::instance().updateTransferTimeoutMs = 500;
    HttpTestServer server;
    QVERIFY(server.start());
    server.setPublishedFile(kExecutable, fileOfSize(100000));
    server.setAnnouncedLength(kExecutable, announced);
    if (fault.status || fault.cutAfter >= 0 || fault.stall)
        server.addFault(kExecutable, fault);
    Install install(server);
    writeBytes(install.tmp(), "a stale download");
    UpdateService *service = install.service.get();
    QSignalSpy stateChanges(service, &UpdateService::stateChanged);
    QSignalSpy finished(service, &UpdateService::downloadFinished);
    QSignalSpy failed(service, &UpdateService::downloadFailed);

    service->download();
    QVERIFY(waitForIdleOrReady(service));

    QCOMPARE(service->state(), UpdateService::State::Idle);
    QCOMPARE(states(stateChanges), (QList<UpdateService::State>{UpdateService::State::Downloading,
                                                                UpdateService::State::Idle}));
    QCOMPARE(finished.count(), 0);
    QCOMPARE(failed.count(), 1);
    const QString told = failed.at(0).at(0).toString();
    QVERIFY(!told.isEmpty());
    QVERIFY2(told.contains(reason), qPrintable(told));
    QCOMPARE(install.leftovers(), QStringList());
    QString error;
    QVERIFY(!service->startUpdater(&error));
    QVERIFY(!QFile::exists(service->updaterPath()));
}

void TestUpdateService::downloadTakesNoMoreThanAnnounced_data() {
    QTest::addColumn<qint64>("headLength"); // -2: the file's own, -1: none
    QTest::addColumn<qint64>("endless");    // -2: the file itself, -1: no end and no length
    QTest::addColumn<int>("gets");
    QTest::addColumn<QString>("reason");
    const qint64 tooLong = RangedDownload::kMaxSize + 1;
    QTest::newRow("endless answer to a length of 100000")
        << qint64(-2) << qint64(-1) << 1 << QStringLiteral("more bytes than asked for");
    QTest::newRow("endless answer announcing more than asked")
        << qint64(-2) << qint64(10000000000) << 1 << QStringLiteral("more bytes than asked for");
    QTest::newRow("no length at all, no end")
        << qint64(-1) << qint64(-1) << 1 << QStringLiteral("announced no length");
    QTest::newRow("no length asked, endless answer announcing 10 GB")
        << qint64(-1) << qint64(10000000000) << 1
        << QStringLiteral("announced 10000000000 bytes, more than an update may have (256 MiB)");
    QTest::newRow("a length beyond 256 MiB")
        << tooLong << qint64(-2) << 0
        << QStringLiteral("announced %1 bytes, more than an update may have (256 MiB)")
               .arg(tooLong);
}

void TestUpdateService::downloadTakesNoMoreThanAnnounced() {
    QFETCH(qint64, headLength);
    QFETCH(qint64, endless);
    QFETCH(int, gets);
    QFETCH(QString, reason);
    HttpTestServer server;
    QVERIFY(server.start());
    server.setPublishedFile(kExecutable, fileOfSize(100000));
    if (headLength == -1)
        server.setOmitLengthOnHead(true);
    else if (headLength >= 0)
        server.setAnnouncedLength(kExecutable, headLength);
    if (endless != -2)
        server.setEndless(kExecutable, endless);
    Install install(server);
    writeBytes(install.tmp(), "a stale download");
    UpdateService *service = install.service.get();
    QSignalSpy finished(service, &UpdateService::downloadFinished);
    QSignalSpy failed(service, &UpdateService::downloadFailed);

    LoopTurns loop;
    service->download();
    QVERIFY(waitForIdleOrReady(service));

    QCOMPARE(service->state(), UpdateService::State::Idle);
    QCOMPARE(finished.count(), 0);
    QCOMPARE(failed.count(), 1);
    QVERIFY2(failed.at(0).at(0).toString().contains(reason),
             qPrintable(failed.at(0).at(0).toString()));
    QCOMPARE(server.rangesOf("GET", kExecutable).size(), gets);
    QCOMPARE(install.leftovers(), QStringList());
    QTRY_VERIFY(server.endlessAnswersEnded());
    QVERIFY2(server.endlessBytesSent() < 64 * 1024 * 1024,
             qPrintable(QString::number(server.endlessBytesSent())));
    QVERIFY(loop.turns > 0);
}

void TestUpdateService::publishedDigestForms_data() {
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<bool>("valid");
    const QByteArray hex = QCryptographicHash::hash("kvd", QCryptographicHash::Sha256).toHex();
    QTest::newRow("as sha256sum writes it") << hex + "  kvd\n" << true;
    QTest::newRow("capital digits") << hex.toUpper() + "  kvd\n" << true;
    QTest::newRow("no line break") << hex + "  kvd" << true;
    QTest::newRow("CR LF") << hex + "  kvd\r\n" << true;
    QTest::newRow("binary mode") << hex + " *kvd\n" << true;
    QTest::newRow("name with a folder") << hex + "  dist/kvd\n" << true;
    QTest::newRow("two line breaks") << hex + "  kvd\n\n" << false;
    QTest::newRow("a second line") << hex + "  kvd\n" + hex + "  kvd.exe\n" << false;
    QTest::newRow("no name") << hex + "  \n" << false;
    QTest::newRow("digest alone") << hex + "\n" << false;
    QTest::newRow("one blank") << hex + " kvd\n" << false;
    QTest::newRow("63 digits") << hex.left(63) + "  kvd\n" << false;
    QTest::newRow("65 digits") << hex + "0  kvd\n" << false;
    QTest::newRow("not hexadecimal") << QByteArray(hex).replace(10, 1, "g") + "  kvd\n" << false;
    QTest::newRow("blank in front") << " " + hex + "  kvd\n" << false;
    QTest::newRow("an error page") << QByteArray("<html>Not Found</html>") << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestUpdateService::publishedDigestForms() {
    QFETCH(QByteArray, file);
    QFETCH(bool, valid);
    const QByteArray digest = PublishedDigest::parse(file);
    QCOMPARE(digest.isEmpty(), !valid);
    if (valid)
        QCOMPARE(digest, QCryptographicHash::hash("kvd", QCryptographicHash::Sha256));
    QCOMPARE(PublishedDigest::fileName(QStringLiteral("kvd.exe")),
             QStringLiteral("kvd.exe.sha256"));
}

void TestUpdateService::onlyAVerifiedDownloadIsKept_data() {
    QTest::addColumn<int>("digest"); // 0: of other bytes, 1: none, 2: unreadable, 3: endless,
                                     // 4: the service fails, 5: upper-case digits, CR LF
    QTest::addColumn<bool>("downloaded");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("detail");
    QTest::newRow("digest of other bytes")
        << 0 << true
        << QStringLiteral(
               "Update refused: the downloaded file does not match its published SHA-256")
        << QString();
    QTest::newRow("no digest published")
        << 1 << false
        << QStringLiteral(
               "Update refused: the update service publishes no SHA-256 of the new version")
        << QStringLiteral("corvid/kvd.sha256: the update service answered 404 Not Found");
    QTest::newRow("no digest in the file")
        << 2 << false
        << QStringLiteral("Update refused: the published SHA-256 of the new version is unreadable")
        << QStringLiteral("corvid/kvd.sha256 does not hold one line");
    QTest::newRow("digest file without end")
        << 3 << false
        << QStringLiteral("Update refused: the published SHA-256 of the new version is unreadable")
        << QStringLiteral("corvid/kvd.sha256 does not hold one line");
    QTest::newRow("digest file fails")
        << 4 << false
        << QStringLiteral("Update refused: the published SHA-256 of the new version could not be "
                          "fetched")
        << QStringLiteral("corvid/kvd.sha256: the update service answered 500");
    QTest::newRow("digest in capitals, CR LF") << 5 << true << QString() << QString();
}

void TestUpdateService::onlyAVerifiedDownloadIsKept() {
    QFETCH(int, digest);
    QFETCH(bool, downloaded);
    QFETCH(QString, text);
    QFETCH(QString, detail);
    HttpTestServer server;
    QVERIFY(server.start());
    const QByteArray file = fileOfSize(100000);
    server.setFile(kExecutable, file);
    const QByteArray digestPath = kExecutable + ".sha256";
    switch (digest) {
    case 0: {
        QByteArray other = file;
        other[99999] = char(other[99999] ^ 1); // the last byte differs
        server.setFile(digestPath, HttpTestServer::sha256Line(other, "kvd"));
        break;
    }
    case 1:
        break;
    case 2:
        server.setFile(digestPath, "<html>Here be no digest</html>\n");
        break;
    case 3:
        server.setEndless(digestPath, -1);
        break;
    case 4: {
        server.setFile(digestPath, HttpTestServer::sha256Line(file, "kvd"));
        HttpTestServer::Fault fault;
        fault.status = 500;
        server.addFault(digestPath, fault);
        break;
    }
    case 5:
        server.setFile(digestPath,
                       HttpTestServer::sha256Line(file, "kvd").toUpper().replace("\n", "\r\n"));
        break;
    }
    Install install(server);
    UpdateService *service = install.service.get();
    QSignalSpy refused(service, &UpdateService::updateRefused);
    QSignalSpy failed(service, &UpdateService::downloadFailed);
    QSignalSpy finished(service, &UpdateService::downloadFinished);

    service->download();
    QVERIFY(waitForIdleOrReady(service));

    QCOMPARE(server.rangesOf("GET", digestPath).size(), 1);
    // Without a digest nothing is fetched that could not be checked.
    QCOMPARE(server.rangesOf("HEAD", kExecutable).size(), downloaded ? 1 : 0);
    QCOMPARE(failed.count(), 0);
    if (text.isEmpty()) {
        QCOMPARE(refused.count(), 0);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(service->state(), UpdateService::State::Ready);
        QCOMPARE(readBytes(install.tmp()), file);
        // The new program is its owner's until the updater gives it the old one's mode.
        QCOMPARE(fileMode(install.tmp()), 0600);
        return;
    }
    QCOMPARE(refused.count(), 1);
    QCOMPARE(refused.at(0).at(0).toString(), text);
    QVERIFY2(refused.at(0).at(1).toString().startsWith(detail),
             qPrintable(refused.at(0).at(1).toString()));
    QCOMPARE(finished.count(), 0);
    QCOMPARE(service->state(), UpdateService::State::Idle);
    QCOMPARE(install.leftovers(), QStringList());
    QString error;
    QVERIFY(!service->startUpdater(&error));
    QVERIFY(!QFile::exists(service->updaterPath()));
    QTRY_VERIFY(server.endlessAnswersEnded());
}

void TestUpdateService::unwritableFolderIsToldButNotDownloaded_data() {
    QTest::addColumn<int>("folderKind");
    QTest::newRow("read-only folder") << 0;
    QTest::newRow("folder that cannot exist") << 1;
    // Root may write to /usr/bin; the package manager must still be the one to replace kvd there.
    QTest::newRow("the build's install folder") << 2;
}

void TestUpdateService::unwritableFolderIsToldButNotDownloaded() {
    QFETCH(int, folderKind);
    const bool readOnlyFolder = folderKind == 0;
    const bool installed = folderKind == 2;
    HttpTestServer server;
    QVERIFY(server.start());
    server.setFile(kChangeLog, "Ver.: 9.9.9.9\r\n");
    server.setFile(kExecutable, fileOfSize(100));
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("app.ini"));
    writeBytes(ini,
               "[Update]\r\nurl=" + server.url(QStringLiteral("updates/")).toEncoded() + "\r\n");
    QString folder = dir.filePath(QStringLiteral("installed"));
    if (readOnlyFolder) {
        if (::geteuid() == 0)
            QSKIP("root writes into read-only folders");
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    } else if (folderKind == 1) {
        // Below a plain file no folder can be made, whoever we are.
        writeBytes(folder, "a file");
    } else {
        folder = ProgramFolder::installedBinDir();
        if (!QFileInfo(folder).isDir())
            QSKIP("the build's install folder does not exist here");
    }
    UpdateService service(ini, folder + QStringLiteral("/kvd"));
    QSignalSpy available(&service, &UpdateService::newerVersionAvailable);
    QSignalSpy packaged(&service, &UpdateService::packageManaged);
    QSignalSpy failed(&service, &UpdateService::downloadFailed);

    QVERIFY(!service.canReplaceExecutable());
    service.checkForUpdate();
    if (installed) {
        // An installed package asks no service: its package manager brings the updates.
        QCOMPARE(packaged.count(), 1);
        QCOMPARE(service.state(), UpdateService::State::Idle);
    } else {
        QTRY_COMPARE(available.count(), 1);
        QCOMPARE(available.at(0).at(0).toString(), QStringLiteral("Ver.: 9.9.9.9"));
        QCOMPARE(available.at(0).at(1).toBool(), false);
        QCOMPARE(packaged.count(), 0);
    }

    service.download();
    QCOMPARE(failed.count(), 1);
    QVERIFY2(failed.at(0).at(0).toString().contains(QLatin1String("package manager")),
             qPrintable(failed.at(0).at(0).toString()));
    QCOMPARE(service.state(), UpdateService::State::Idle);
    QCOMPARE(server.requests().size(), installed ? 0 : 1);
    if (readOnlyFolder)
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                          QFileDevice::ExeOwner);
}

void TestUpdateService::batchUpdaterLines() {
    const QStringList expected = {
        QStringLiteral("@echo off"),
        QStringLiteral("echo."),
        QStringLiteral("echo    Updating Corvid RCON Admin..."),
        QStringLiteral("timeout 2 >nul"),
        QStringLiteral("tasklist |find /i \"kvd.exe\" >nul"),
        QStringLiteral("if %errorlevel% == 0 (taskkill /f /im kvd.exe >nul)"),
        QStringLiteral("timeout 1 >nul"),
        QStringLiteral("if exist \"kvd.tmp\" (goto ok) else (goto notok)"),
        QStringLiteral(":ok"),
        QStringLiteral("del kvd.exe"),
        QStringLiteral("timeout 1 >nul"),
        QStringLiteral("ren kvd.tmp kvd.exe"),
        QStringLiteral("timeout 1 >nul"),
        QStringLiteral("cls"),
        QStringLiteral("echo."),
        QStringLiteral("echo    Update successful !"),
        QStringLiteral("timeout 2 >nul"),
        QStringLiteral("if exist \"kvd.exe\" start kvd.exe"),
        QStringLiteral("del kvdupd.bat"),
        QStringLiteral("exit /b"),
        QStringLiteral(":notok"),
        QStringLiteral("cls"),
        QStringLiteral("echo Error updating Corvid RCON Admin"),
        QStringLiteral("timeout 3 >nul"),
        QStringLiteral("if exist \"kvd.exe\" start kvd.exe"),
        QStringLiteral("del kvdupd.bat"),
        QStringLiteral("exit /b"),
    };
    const QStringList lines = UpdaterScript::batchLines(QStringLiteral("kvd.exe"));
    QCOMPARE(lines.size(), expected.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        QCOMPARE(lines.at(i), expected.at(i));
}

void TestUpdateService::batchUpdaterFileAndQuotedNames() {
    const QByteArray bytes = UpdaterScript::batchFile(
        {QStringLiteral("@echo off"), QStringLiteral("del Kühl.exe"), QStringLiteral("exit /b")});
    QCOMPARE(bytes, QByteArray("@echo off\r\ndel K\xFChl.exe\r\nexit /b\r\n"));

    // A renamed executable with a blank keeps working: its name goes in quotes.
    const QStringList lines = UpdaterScript::batchLines(QStringLiteral("my kvd.exe"));
    QCOMPARE(lines.at(4), QStringLiteral("tasklist |find /i \"my kvd.exe\" >nul"));
    QCOMPARE(lines.at(5),
             QStringLiteral("if %errorlevel% == 0 (taskkill /f /im \"my kvd.exe\" >nul)"));
    QCOMPARE(lines.at(9), QStringLiteral("del \"my kvd.exe\""));
    QCOMPARE(lines.at(11), QStringLiteral("ren kvd.tmp \"my kvd.exe\""));
    QCOMPARE(lines.at(17), QStringLiteral("if exist \"my kvd.exe\" start \"\" \"my kvd.exe\""));
    QCOMPARE(lines.at(24), lines.at(17));
}

void TestUpdateService::shellUpdaterLines() {
    const QStringList expected = {
        QStringLiteral("#!/bin/sh"),
        QStringLiteral("cd \"$(dirname \"$0\")\" || exit 1"),
        QStringLiteral("echo"),
        QStringLiteral("echo \"   Updating Corvid RCON Admin...\""),
        QStringLiteral("sleep 2"),
        QStringLiteral("n=0"),
        QStringLiteral("while kill -0 4242 2>/dev/null && [ \"$n\" -lt 60 ]; do sleep 1; "
                       "n=$((n + 1)); done"),
        QStringLiteral("sleep 1"),
        QStringLiteral("if [ -f 'kvd.tmp' ]; then"),
        QStringLiteral("    chmod 755 'kvd.tmp'"),
        QStringLiteral("    rm -f 'kvd'"),
        QStringLiteral("    sleep 1"),
        QStringLiteral("    mv 'kvd.tmp' 'kvd'"),
        QStringLiteral("    sleep 1"),
        QStringLiteral("    clear 2>/dev/null"),
        QStringLiteral("    echo"),
        QStringLiteral("    echo \"   Update successful !\""),
        QStringLiteral("    sleep 2"),
        QStringLiteral("    if [ -f 'kvd' ]; then nohup './kvd' >/dev/null 2>&1 & fi"),
        QStringLiteral("    rm -f \"$0\""),
        QStringLiteral("    exit 0"),
        QStringLiteral("fi"),
        QStringLiteral("clear 2>/dev/null"),
        QStringLiteral("echo \"Error updating Corvid RCON Admin\""),
        QStringLiteral("sleep 3"),
        QStringLiteral("if [ -f 'kvd' ]; then nohup './kvd' >/dev/null 2>&1 & fi"),
        QStringLiteral("rm -f \"$0\""),
        QStringLiteral("exit 1"),
    };
    const QStringList lines = UpdaterScript::shellLines(QStringLiteral("kvd"), 4242, 0755);
    QCOMPARE(lines.size(), expected.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        QCOMPARE(lines.at(i), expected.at(i));
    QCOMPARE(UpdaterScript::shellFile({QStringLiteral("a"), QStringLiteral("b")}),
             QByteArray("a\nb\n"));
}

void TestUpdateService::shellUpdaterIsValidShell_data() {
    QTest::addColumn<QString>("executable");
    QTest::newRow("kvd") << QStringLiteral("kvd");
    QTest::newRow("blank and quote") << QStringLiteral("Bob's kvd");
    QTest::newRow("shell characters") << QStringLiteral("kvd$(touch x)`y`;&");
}

void TestUpdateService::shellUpdaterIsValidShell() {
    QFETCH(QString, executable);
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sh"));
    if (shell.isEmpty())
        QSKIP("no sh on this machine");
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("kvdupd.sh"));
    const QStringList lines = UpdaterScript::shellLines(executable, 4242, 0750);
    writeBytes(script, UpdaterScript::shellFile(lines));
    // Parsed only (-n): nothing of it runs.
    QProcess check;
    check.start(shell, {QStringLiteral("-n"), script});
    QVERIFY(check.waitForFinished(10000));
    QCOMPARE(check.exitCode(), 0);
    QVERIFY(lines.at(12).contains(QLatin1String("'kvd.tmp'")));
    QVERIFY(lines.at(9).startsWith(QLatin1String("    chmod 750 ")));
}

void TestUpdateService::restartWritesTheUpdaterAndStartsIt() {
    HttpTestServer server;
    QVERIFY(server.start());
    server.setPublishedFile(kExecutable, fileOfSize(1000));
    Install install(server);
    UpdateService *service = install.service.get();
    QStringList launched;
    service->setLauncher([&launched](const QString &script, QString *) {
        launched << script;
        return true;
    });
    QSignalSpy started(service, &UpdateService::updaterStarted);
    service->download();
    QVERIFY(waitForIdleOrReady(service));
    QCOMPARE(service->state(), UpdateService::State::Ready);

    QString error;
    QVERIFY2(service->startUpdater(&error), qPrintable(error));
    QCOMPARE(started.count(), 1);
    const QString script = install.dir.filePath(QStringLiteral("kvdupd.sh"));
    QCOMPARE(service->updaterPath(), script);
    QCOMPARE(launched, QStringList{script});
    QCOMPARE(readBytes(script),
             UpdaterScript::shellFile(UpdaterScript::shellLines(
                 QStringLiteral("kvd"), QCoreApplication::applicationPid(), 0755)));
    QVERIFY(QFileInfo(script).permissions().testFlag(QFileDevice::ExeOwner));
    QVERIFY(QFile::exists(install.tmp()));
}

void TestUpdateService::restartWithoutDownloadDoesNothing() {
    HttpTestServer server;
    QVERIFY(server.start());
    Install install(server);
    writeBytes(install.tmp(), "not ours");
    bool launched = false;
    install.service->setLauncher([&launched](const QString &, QString *) {
        launched = true;
        return true;
    });
    QString error;
    QVERIFY(!install.service->startUpdater(&error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!launched);
    QVERIFY(!QFile::exists(install.service->updaterPath()));
}

QTEST_GUILESS_MAIN(TestUpdateService)
#include "tst_updateservice.moc"
