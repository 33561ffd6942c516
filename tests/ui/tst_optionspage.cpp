// The options dialog in the window: the " Options " tab's switches and choices, in force at once
// and in app.ini at the click; the crosshair overlay; the About tab's download that ends in
// "Restart" and the window closing; screenshots of the three tabs.
#include "base/IniFile.h"
#include "base/ProgramLog.h"
#include "base/ProgramState.h"
#include "console/Console.h"
#include "console/Settings.h"
#include "notify/WebhookPoster.h"
#include "servers/ServerListModel.h"
#include "ui/AboutPage.h"
#include "ui/ChatPanel.h"
#include "ui/ChatView.h"
#include "ui/ComputerName.h"
#include "ui/Crosshair.h"
#include "ui/LogPanel.h"
#include "ui/MainWindow.h"
#include "ui/MessageBoxes.h"
#include "ui/OptionsDialog.h"
#include "ui/OptionsPage.h"
#include "ui/PasswordDelegate.h"
#include "ui/ScriptsPage.h"
#include "ui/ServerListView.h"
#include "ui/StatusPanels.h"
#include "ui/Theme.h"
#include "ui/WebhookField.h"
#include "update/UpdateService.h"

#include "HttpTestServer.h"
#include "TestFiles.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {
constexpr int kNoValue = -99;

// The window after its start-up, with the options dialog shown (not run) on " Options ".
struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<Console> console;
    std::unique_ptr<MainWindow> window;

    explicit Fixture(const QByteArray &ini = QByteArray()) {
        if (!ini.isEmpty())
            writeBytes(dir.filePath(QStringLiteral("app.ini")), ini);
        console = std::make_unique<Console>(dir.path());
        window = std::make_unique<MainWindow>(console.get());
        window->show();
        window->runStartUp();
    }
    ~Fixture() {
        window->runExitSequence();
        window.reset();
        console.reset();
    }
    Fixture(const Fixture &) = delete;
    Fixture &operator=(const Fixture &) = delete;

    OptionsDialog *dialog() const { return window->optionsDialog(); }
    OptionsPage *page() const { return dialog()->optionsPage(); }
    const ProgramOptions &options() const { return console->state()->options(); }
    // The dialog as openOn() shows it, without its own event loop.
    void openDialog(OptionsDialog::Tab tab = OptionsDialog::Tab::Options) const {
        page()->refresh();
        dialog()->scriptsPage()->refresh();
        dialog()->tabs()->setCurrentIndex(int(tab));
        dialog()->show();
    }
    int written(const QString &key) const {
        return IniFile(console->settingsPath()).readInt(QStringLiteral("pum1"), key, kNoValue);
    }
    QString newestLogText() const { return console->programLog()->lines().constFirst(); }
};

QString screenshotDir() {
    return QString::fromLocal8Bit(qgetenv("KVD_SCREENSHOT_DIR"));
}
} // namespace

class TestOptionsPage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Theme::apply(*qApp); }
    void cleanup() { ComputerName::setForTesting(QString()); }

    void switchesAreKeyboardControlsNamedByTheirCaptions() {
        Fixture f;
        f.openDialog();
        QVERIFY(QTest::qWaitForWindowActive(f.dialog()));
        OptionsPage *page = f.page();
        const QList<QCheckBox *> switches{page->trayCheck(), page->logCheck(),
                                          page->passwordsCheck(), page->backgroundChatCheck()};
        const QStringList captions{
            QStringLiteral("Minimize to tray"), QStringLiteral("Show program logfile"),
            QStringLiteral("Show passwords"), QStringLiteral("Get chat in background")};
        for (int i = 0; i < switches.size(); ++i) {
            QCOMPARE(switches.at(i)->text(), captions.at(i));
            QCOMPARE(switches.at(i)->accessibleName(), captions.at(i));
            QVERIFY(switches.at(i)->focusPolicy() & Qt::TabFocus);
        }
        // Tab walks from one switch to the next; Space flips the one that has the focus.
        switches.at(0)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), switches.at(1));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), switches.at(3));
        QTest::keyClick(switches.at(3), Qt::Key_Space);
        QVERIFY(switches.at(3)->isChecked());
        QVERIFY(f.options().backgroundChat);
        QCOMPARE(f.written(QStringLiteral("getbchat")), 1);
        // The labels name their choices.
        for (QComboBox *choice : {page->notificationChoice(), page->logSourceChoice()}) {
            const QList<QLabel *> labels = page->findChildren<QLabel *>();
            QVERIFY(std::any_of(labels.cbegin(), labels.cend(), [choice](const QLabel *label) {
                return label->buddy() == choice;
            }));
        }
    }

    void eachSwitchIsInForceAndWrittenAtTheClick_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("before");
        QTest::newRow("Minimize to tray") << QStringLiteral("tray") << 1;
        QTest::newRow("Show program logfile") << QStringLiteral("log") << 1;
        QTest::newRow("Get chat in background") << QStringLiteral("getbchat") << 0;
    }

    void eachSwitchIsInForceAndWrittenAtTheClick() {
        QFETCH(QString, key);
        QFETCH(int, before);
        Fixture f;
        f.openDialog();
        OptionsPage *page = f.page();
        QCheckBox *box = key == QLatin1String("tray")  ? page->trayCheck()
                         : key == QLatin1String("log") ? page->logCheck()
                                                       : page->backgroundChatCheck();
        const auto current = [&f, &key] {
            const ProgramOptions &o = f.options();
            return int(key == QLatin1String("tray")  ? o.minimizeToTray
                       : key == QLatin1String("log") ? o.showProgramLog
                                                     : o.backgroundChat);
        };
        QCOMPARE(box->isChecked(), before == 1);
        QCOMPARE(f.written(key), kNoValue);

        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(current(), 1 - before);
        QCOMPARE(f.written(key), 1 - before); // while the dialog is still open
        QVERIFY(f.dialog()->isVisible());
        QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(current(), before);
        QCOMPARE(f.written(key), before);
    }

    void accessibleToggleOfEachSwitchIsInForceAndWritten_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("key"); // empty: never written
        QTest::newRow("Minimize to tray")
            << QStringLiteral("Minimize to tray") << QStringLiteral("tray");
        QTest::newRow("Show program logfile")
            << QStringLiteral("Show program logfile") << QStringLiteral("log");
        QTest::newRow("Show passwords") << QStringLiteral("Show passwords") << QString();
        QTest::newRow("Get chat in background")
            << QStringLiteral("Get chat in background") << QStringLiteral("getbchat");
    }

    // What a screen reader or voice control does: the switch's "Toggle" action, no click.
    void accessibleToggleOfEachSwitchIsInForceAndWritten() {
        QFETCH(QString, caption);
        QFETCH(QString, key);
        Fixture f;
        f.openDialog();
        const QList<QCheckBox *> boxes = f.page()->findChildren<QCheckBox *>();
        const auto found = std::find_if(boxes.cbegin(), boxes.cend(), [&caption](QCheckBox *box) {
            return box->accessibleName() == caption;
        });
        QVERIFY(found != boxes.cend());
        QCheckBox *box = *found;
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(box);
        QVERIFY(accessible && accessible->actionInterface());
        QAccessibleActionInterface *actions = accessible->actionInterface();
        QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
        // The option as the program follows it, read where it takes effect.
        const auto inForce = [&f, &key]() -> bool {
            const ProgramOptions &o = f.options();
            if (key == QLatin1String("tray"))
                return o.minimizeToTray;
            if (key == QLatin1String("log"))
                return o.showProgramLog && f.window->logPanel()->isVisible();
            if (key == QLatin1String("getbchat"))
                return o.backgroundChat && !f.window->statusPanels()->backgroundWatch().isEmpty();
            return o.showPasswords && f.window->serverView()->showPasswords();
        };
        const bool before = box->isChecked();
        QCOMPARE(inForce(), before);

        for (const bool expected : {!before, before}) {
            actions->doAction(QAccessibleActionInterface::toggleAction());
            QCOMPARE(box->isChecked(), expected);
            QCOMPARE(inForce(), expected);
            if (key.isEmpty())
                QVERIFY(!QFileInfo::exists(f.console->settingsPath()));
            else
                QCOMPARE(f.written(key), int(expected));
        }
    }

    void openingTheDialogShowsTheSwitchesWithoutWritingThem() {
        Fixture f;
        f.openDialog();
        // Changed elsewhere (as the settings file gave them, or another window): the page follows
        // when it opens, and showing them is no change that is written again.
        Settings *settings = f.console->settings();
        settings->setMinimizeToTray(false);
        settings->setShowProgramLog(false);
        settings->setBackgroundChat(true);
        settings->setShowPasswords(true);
        QVERIFY(QFile::remove(f.console->settingsPath()));
        QSignalSpy changes(f.console->state(), &ProgramState::optionsChanged);
        f.openDialog();
        QVERIFY(!f.page()->trayCheck()->isChecked());
        QVERIFY(!f.page()->logCheck()->isChecked());
        QVERIFY(f.page()->backgroundChatCheck()->isChecked());
        QVERIFY(f.page()->passwordsCheck()->isChecked());
        QCOMPARE(changes.size(), 0);
        QVERIFY(!QFileInfo::exists(f.console->settingsPath()));
    }

    void backgroundChatSwitchSetsTheStatusPanel() {
        Fixture f;
        f.openDialog();
        QCOMPARE(f.window->statusPanels()->backgroundWatch(), QString());
        QTest::mouseClick(f.page()->backgroundChatCheck(), Qt::LeftButton);
        QCOMPARE(f.window->statusPanels()->backgroundWatch(),
                 QStringLiteral("Get chat in background"));
        QTest::mouseClick(f.page()->backgroundChatCheck(), Qt::LeftButton);
        QCOMPARE(f.window->statusPanels()->backgroundWatch(), QString());
    }

    void showPasswordsUnmasksAndIsNeverWritten() {
        Fixture f;
        f.console->servers()->appendServer({QStringLiteral("A"), QStringLiteral("127.0.0.1"),
                                            QStringLiteral("27015"), QStringLiteral("secret12")});
        f.openDialog();
        auto *delegate = qobject_cast<PasswordDelegate *>(
            f.window->serverView()->itemDelegateForColumn(ServerListModel::PasswordColumn));
        QVERIFY(delegate && delegate->isMasked());
        QTest::mouseClick(f.page()->passwordsCheck(), Qt::LeftButton);
        QVERIFY(f.options().showPasswords);
        QVERIFY(!delegate->isMasked());
        QVERIFY(f.window->serverView()->showPasswords());
        QVERIFY(!QFileInfo::exists(f.console->settingsPath()));
        QTest::mouseClick(f.page()->passwordsCheck(), Qt::LeftButton);
        QVERIFY(delegate->isMasked());
        QVERIFY(!QFileInfo::exists(f.console->settingsPath()));
    }

    void showProgramLogfileHidesThePaneWithItsSplitter() {
        Fixture f;
        auto *splitter = qobject_cast<QSplitter *>(f.window->logPanel()->parentWidget());
        QVERIFY(splitter);
        const int height = splitter->sizes().value(1);
        QVERIFY(height > 0);
        ChatView *chat = f.window->chatPanel()->chatView();
        chat->setPlainText(QStringLiteral("line\n").repeated(300));
        chat->verticalScrollBar()->setValue(0);

        f.openDialog();
        QTest::mouseClick(f.page()->logCheck(), Qt::LeftButton);
        QVERIFY(!f.window->logPanel()->isVisible());
        QTRY_VERIFY(splitter->handle(1)->isHidden());
        QTRY_VERIFY(chat->isShowingLastLine());

        chat->verticalScrollBar()->setValue(0);
        QTest::mouseClick(f.page()->logCheck(), Qt::LeftButton);
        QVERIFY(f.window->logPanel()->isVisible());
        QTRY_VERIFY(!splitter->handle(1)->isHidden());
        QCOMPARE(splitter->sizes().value(1), height);
        QTRY_VERIFY(chat->isShowingLastLine());
    }

    void choicesAreWrittenAndMoveTheFocusToClose() {
        Fixture f;
        f.openDialog();
        QVERIFY(QTest::qWaitForWindowActive(f.dialog()));
        OptionsPage *page = f.page();
        QCOMPARE(page->notificationChoice()->count(), 5);
        QCOMPARE(page->notificationChoice()->itemText(4), QStringLiteral("Win Infocenter"));
        QCOMPARE(page->notificationChoice()->currentIndex(), 1);
        QCOMPARE(page->startOptionsLabel()->text(),
                 QStringLiteral("\"-ServerGameLog\" \"-ServerGameLogIncludeTribeLogs\""));

        page->notificationChoice()->setFocus();
        QTest::keyClick(page->notificationChoice(), Qt::Key_Down);
        QCOMPARE(f.options().notification, NotificationKind::Popup);
        QCOMPARE(f.written(QStringLiteral("cinfo")), 2);
        QCOMPARE(QApplication::focusWidget(), f.dialog()->closeButton());

        page->logSourceChoice()->setFocus();
        QTest::keyClick(page->logSourceChoice(), Qt::Key_Down);
        QCOMPARE(f.options().logSource, LogSource::Chat);
        QCOMPARE(f.written(QStringLiteral("ggl")), 1);
        QCOMPARE(QApplication::focusWidget(), f.dialog()->closeButton());
        const QString getchat =
            QStringLiteral("\"-ServerRCONoutputTribeLogs\"   (Local time stamp!)");
        QCOMPARE(page->startOptionsLabel()->text(), getchat);

        // Closed and opened again, the page shows what is in force.
        QTest::mouseClick(f.dialog()->closeButton(), Qt::LeftButton);
        QVERIFY(!f.dialog()->isVisible());
        page->startOptionsLabel()->clear();
        f.openDialog();
        QCOMPARE(page->logSourceChoice()->currentIndex(), 1);
        QCOMPARE(page->notificationChoice()->currentIndex(), 2);
        QCOMPARE(page->startOptionsLabel()->text(), getchat);
    }

    void failedWriteIsToldAndTheOptionStays() {
        Fixture f;
        // A folder where app.ini belongs: nothing can be written there.
        QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("app.ini")));
        f.openDialog();
        QTest::mouseClick(f.page()->trayCheck(), Qt::LeftButton);
        QVERIFY(!f.options().minimizeToTray);
        QVERIFY2(f.newestLogText().endsWith(QLatin1String("Error saving settings")),
                 qPrintable(f.newestLogText()));
        QTest::keyClick(f.page()->logSourceChoice(), Qt::Key_Down);
        QCOMPARE(f.options().logSource, LogSource::Chat);
        // Told once: the program log does not repeat its newest line.
        QCOMPARE(f.console->programLog()->lines().filter(QStringLiteral("Error saving")).size(), 1);
    }

    void crosshairButtonShowsOnQuimbexOnly_data() {
        QTest::addColumn<QString>("computer");
        QTest::addColumn<bool>("shown");
        QTest::newRow("QUIMBEX") << QStringLiteral("QUIMBEX") << true;
        QTest::newRow("its name as Linux spells it") << QStringLiteral("quimbex") << true;
        QTest::newRow("another computer") << QStringLiteral("WORKSHOP-7") << false;
        QTest::newRow("a longer name") << QStringLiteral("QUIMBEX2") << false;
    }

    void crosshairButtonShowsOnQuimbexOnly() {
        QFETCH(QString, computer);
        QFETCH(bool, shown);
        ComputerName::setForTesting(computer);
        Fixture f;
        f.openDialog();
        QCOMPARE(f.page()->crosshairButton()->isVisible(), shown);
        QCOMPARE(f.page()->crosshairButton()->text(), QStringLiteral("Fadenkreuz"));
    }

    void fadenkreuzSwitchesTheOverlayAndWritesCross() {
        ComputerName::setForTesting(QStringLiteral("QUIMBEX"));
        Fixture f;
        Crosshair *crosshair = f.window->crosshair();
        QVERIFY(!crosshair->isShown());
        f.openDialog();
        QTest::mouseClick(f.page()->crosshairButton(), Qt::LeftButton);
        QVERIFY(crosshair->isShown());
        QVERIFY(f.options().crosshair);
        QCOMPARE(f.written(QStringLiteral("cross")), 1);

        QWidget *square = crosshair->window();
        QCOMPARE(square->size(), QSize(4, 4));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QCOMPARE(square->pos(), Crosshair::topLeftOn(screen));
        const Qt::WindowFlags flags = square->windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
        for (Qt::WindowType flag : {Qt::FramelessWindowHint, Qt::WindowStaysOnTopHint,
                                    Qt::WindowTransparentForInput, Qt::WindowDoesNotAcceptFocus})
            QVERIFY2(flags.testFlag(flag), qPrintable(QString::number(flag, 16)));
        QVERIFY(square->testAttribute(Qt::WA_TransparentForMouseEvents));
        QVERIFY(square->testAttribute(Qt::WA_ShowWithoutActivating));
        QVERIFY(!square->parentWidget());
        const QImage picture = square->grab().toImage();
        for (int x = 0; x < 4; ++x)
            for (int y = 0; y < 4; ++y)
                QCOMPARE(picture.pixelColor(x, y), QColor(255, 0, 0));

        f.page()->Fadenkreuz();
        QVERIFY(!crosshair->isShown());
        QVERIFY(!f.options().crosshair);
        QCOMPARE(f.written(QStringLiteral("cross")), 0);
    }

    void crosshairSitsOnTheScreensCentre_data() {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QPoint>("topLeft");
        QTest::newRow("1920 x 1080") << QRect(0, 0, 1920, 1080) << QPoint(958, 538);
        // W / 2 - 2 = 681.5 and H / 2 - 2 = 382.5: each half goes to the even neighbour.
        QTest::newRow("odd sizes, halves to even") << QRect(0, 0, 1367, 769) << QPoint(682, 382);
        QTest::newRow("odd sizes, halves down") << QRect(0, 0, 1365, 771) << QPoint(680, 384);
        QTest::newRow("primary screen right of another")
            << QRect(1920, 0, 1280, 1024) << QPoint(1920 + 638, 510);
    }

    void crosshairSitsOnTheScreensCentre() {
        QFETCH(QRect, screen);
        QFETCH(QPoint, topLeft);
        QCOMPARE(Crosshair::topLeftOn(screen), topLeft);
    }

    void crossInTheSettingsStartsTheOverlayEverywhere() {
        ComputerName::setForTesting(QStringLiteral("WORKSHOP-7"));
        Fixture f("[pum1]\r\ncross=1\r\n");
        QVERIFY(f.window->crosshair()->isShown());
        QVERIFY(f.options().crosshair);
        f.openDialog();
        QVERIFY(!f.page()->crosshairButton()->isVisible());
    }

    void webhookFieldSitsOnTheOptionsTab() {
        // app.ini is read after the window is made: the opened dialog shows what it gave.
        Fixture f("[Notify]\r\nwebhook=https://chat.example.net/hook\r\n");
        f.openDialog();
        WebhookField *field = f.page()->webhookField();
        QVERIFY(field->isVisible());
        QVERIFY(f.page()->isAncestorOf(field));
        QCOMPARE(field->testButton()->text(), QStringLiteral("Test"));
        QCOMPARE(field->urlEdit()->text(), QStringLiteral("https://chat.example.net/hook"));
        QCOMPARE(field->statusText(),
                 QStringLiteral("Joins, departures and status changes are posted here."));
    }

    void aboutTabFollowsTheDownloadAndRestartClosesTheWindow() {
        HttpTestServer server;
        QVERIFY(server.start());
        Fixture f;
        UpdateService *updates = f.console->updates();
        QStringList launched;
        updates->setLauncher([&launched](const QString &script, QString *) {
            launched << script;
            return true;
        });
        const auto cleanUp = qScopeGuard([updates] {
            QFile::remove(updates->downloadPath());
            QFile::remove(updates->updaterPath());
        });
        server.setFile("/corvid/changelog.txt", "Ver.: 9.9.9.9\r\n");
        server.setPublishedFile("/corvid/" +
                                    QFileInfo(updates->executablePath()).fileName().toUtf8(),
                                QByteArray(100000, 'k'));
        IniFile(f.console->settingsPath())
            .writeString(QStringLiteral("Update"), QStringLiteral("url"), server.url().toString());

        f.openDialog(OptionsDialog::Tab::About);
        AboutPage *about = f.dialog()->aboutPage();
        QPushButton *close = f.dialog()->closeButton();
        bool closeHiddenWhileDownloading = false;
        connect(about, &AboutPage::stateChanged, this, [&](AboutPage::State state) {
            if (state == AboutPage::State::Downloading)
                closeHiddenWhileDownloading = !close->isVisible();
        });
        QSignalSpy exited(f.window.get(), &MainWindow::exitFinished);
        MessageBoxes::setNextAnswer(QMessageBox::Yes);
        QTest::mouseClick(about->checkLink(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(about->state(), AboutPage::State::Ready, 20000);
        QVERIFY(closeHiddenWhileDownloading);
        QVERIFY(close->isVisible());
        QCOMPARE(close->text(), QStringLiteral("Restart"));

        QTest::mouseClick(close, Qt::LeftButton);
        QCOMPARE(launched, QStringList{updates->updaterPath()});
        QVERIFY(!f.dialog()->isVisible());
        QCOMPARE(exited.count(), 1);
        QVERIFY(!f.window->isVisible());
    }

    void screenshotsOfTheThreeTabs() {
        const QString shots = screenshotDir();
        if (shots.isEmpty())
            QSKIP("KVD_SCREENSHOT_DIR names where screenshots go");
        ComputerName::setForTesting(QStringLiteral("QUIMBEX"));
        Fixture f;
        f.console->webhook()->setUrl(QStringLiteral("https://chat.example.net/api/webhooks/1/x"));
        QVERIFY(QDir(f.dir.path()).mkpath(QStringLiteral("scripts")));
        for (const char *name : {"Evening restart", "Save every hour", "Welcome message"})
            writeBytes(f.dir.filePath(QStringLiteral("scripts/%1.kvs").arg(QLatin1String(name))),
                       "msg:Saving now\r\nwait:15\r\ncmd:saveworld\r\n");
        const struct {
            OptionsDialog::Tab tab;
            const char *file;
        } pictures[] = {{OptionsDialog::Tab::Options, "options-options.png"},
                        {OptionsDialog::Tab::Scripts, "options-scripts.png"},
                        {OptionsDialog::Tab::About, "options-about.png"}};
        for (const auto &picture : pictures) {
            f.openDialog(picture.tab);
            QVERIFY(QTest::qWaitForWindowExposed(f.dialog()));
            QTest::qWait(50);
            QVERIFY(
                f.dialog()->grab().save(shots + QLatin1Char('/') + QLatin1String(picture.file)));
        }
    }
};

QTEST_MAIN(TestOptionsPage)
#include "tst_optionspage.moc"
