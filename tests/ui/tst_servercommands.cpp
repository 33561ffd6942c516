// The server menu's commands and its "Script" sub-menu: what each asks, what it queues (and that
// No and Cancel queue nothing), the unban check with the program log's search, and the "Script
// selection" dialog turning a script into entries now or from a later date and time.
#include "base/Clock.h"
#include "base/ProgramLog.h"
#include "base/ProgramState.h"
#include "commands/CommandQueue.h"
#include "commands/QueueScheduler.h"
#include "commands/ScriptFolder.h"
#include "console/Console.h"
#include "monitor/PollCycle.h"
#include "servers/ServerListModel.h"
#include "ui/LogPanel.h"
#include "ui/LogSearch.h"
#include "ui/MainWindow.h"
#include "ui/MessageBoxes.h"
#include "ui/OptionsDialog.h"
#include "ui/ScriptMenu.h"
#include "ui/ScriptSelectionDialog.h"
#include "ui/ServerCommands.h"
#include "ui/ServerListView.h"
#include "ui/ServerMenu.h"
#include "ui/Theme.h"
#include <QLineEdit>
#include <QListView>

#include "ConsoleFixture.h"
#include "ModalDialogs.h"
#include "TestFiles.h"
#include "TestStates.h"

#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimeEdit>
#include <QtTest>

namespace {

const QDateTime kTen(QDate(2031, 6, 1), QTime(10, 0, 0));
const QString kNoBox = QStringLiteral("(no box)");
const QString kIsland = QStringLiteral("Island");

QDateTime &testNow() {
    static QDateTime now = kTen;
    return now;
}

// Marks the last box as none, so that a test sees whether another one came.
void resetBoxes() {
    MessageBoxes::setNextAnswer(QMessageBox::Ok);
    MessageBoxes::inform(nullptr, kNoBox);
}

// The window over a started console whose poll cycle and scheduler stand still, so the servers
// keep the states a test gives them and queued entries stay as they were queued.
struct Fixture : ConsoleFixture {
    MainWindow window{console.get()};

    Fixture() {
        window.runStartUp();
        console->pollCycle()->stop();
        console->scheduler()->stop();
        resetBoxes();
    }

    CommandQueue *queue() const { return console->queue(); }
    ServerCommands *commands() const { return window.serverCommands(); }
    ScriptMenu *scriptMenu() const { return window.scriptMenu(); }

    void addServer(const QString &name, ServerState state) {
        const int row = servers()->appendServer(
            {name, QStringLiteral("127.0.0.1"), QStringLiteral("27015"), QStringLiteral("pw")});
        servers()->setState(row, state);
    }
    void select(const QString &name) const {
        ServerListView *view = window.serverView();
        view->setCurrentIndex(view->model()->index(servers()->rowOfName(name), 0));
    }
    void writeScript(const QString &name, const QByteArray &bytes) {
        QDir().mkpath(dir.filePath(QStringLiteral("scripts")));
        writeBytes(dir.filePath(QStringLiteral("scripts/") + name + QStringLiteral(".kvs")), bytes);
        console->scripts()->ListscriptDir();
    }
    QAction *scriptAction(const QString &name) const {
        for (QAction *action : scriptMenu()->scriptActions()) {
            if (action->text() == name)
                return action;
        }
        return nullptr;
    }
    // Each entry as "script | command | time | server".
    QStringList entries() const {
        QStringList rows;
        for (const QueueEntry &entry : queue()->entries())
            rows << QStringList{entry.scriptName, entry.command, entry.timeField, entry.server}
                        .join(QStringLiteral(" | "));
        return rows;
    }
};

QString userCommand(const QString &command) {
    return QStringLiteral("User command | ") + command +
           QStringLiteral(" | 01.06.2031 10:00:00 | Island");
}

} // namespace

class TestServerCommands : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Clock::setSource([] { return testNow(); });
    }
    void init() { testNow() = kTen; }
    void cleanupTestCase() { Clock::reset(); }

    void menuOffersTheFiveCommandsForAnOnlineServerOnly() {
        Fixture f;
        f.addServer(kIsland, ServerState::Online);
        f.addServer(QStringLiteral("Reef"), ServerState::Timeout);
        const QList<QAction *> items = f.window.serverMenu()->actions();
        QStringList captions;
        for (int i = 4; i < 9; ++i)
            captions << items.at(i)->text();
        QCOMPARE(captions,
                 (QStringList{QStringLiteral("`Saveworld´"),
                              QStringLiteral("`DestroyWildDinos´          "),
                              QStringLiteral("`Stop´"), QStringLiteral("`Unban player´ : ..."),
                              QStringLiteral("`Set message of the day´        ")}));
        QVERIFY(items.at(3)->isSeparator());
        QVERIFY(items.at(9)->isSeparator());
        QCOMPARE(items.constLast()->menu(), f.scriptMenu());
        QCOMPARE(f.scriptMenu()->title(), QStringLiteral("Script"));

        f.select(QStringLiteral("Reef"));
        f.window.serverMenu()->updateEnabling();
        for (int i = 4; i < 9; ++i)
            QVERIFY2(!items.at(i)->isEnabled(), qPrintable(items.at(i)->text()));
        QVERIFY(!f.scriptMenu()->menuAction()->isEnabled());
        f.select(kIsland);
        f.window.serverMenu()->updateEnabling();
        for (int i = 4; i < 9; ++i)
            QVERIFY2(items.at(i)->isEnabled(), qPrintable(items.at(i)->text()));
        QVERIFY(f.scriptMenu()->menuAction()->isEnabled());
    }

    void commandsQueueAUserCommandDueNow_data() {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("answer");      // to the question; 0: none is expected
        QTest::addColumn<QVariant>("typed");  // into the input box; invalid: Cancel
        QTest::addColumn<QString>("asked");   // the question, or the input box's title
        QTest::addColumn<QString>("command"); // empty: nothing is queued

        const QVariant none;
        QTest::newRow("save world, without a question")
            << "save" << 0 << none << kNoBox << "cmd:saveworld";
        QTest::newRow("destroy wild creatures, yes")
            << "dinos" << int(QMessageBox::Yes) << none
            << "Destroys all untamed creatures on  `Island´ ?"
            << "cmd:DestroyWildDinos";
        QTest::newRow("destroy wild creatures, no")
            << "dinos" << int(QMessageBox::No) << none
            << "Destroys all untamed creatures on  `Island´ ?"
            << "";
        QTest::newRow("stop, yes")
            << "stop" << int(QMessageBox::Yes) << none << "Stop server:  `Island´ ?"
            << "cmd:doexit";
        QTest::newRow("stop, no") << "stop" << int(QMessageBox::No) << none
                                  << "Stop server:  `Island´ ?"
                                  << "";
        QTest::newRow("message of the day")
            << "motd" << 0 << QVariant(QStringLiteral("Double XP  this weekend!"))
            << "Set message of the day @  `Island´"
            << "cmd:SetMessageOfTheDay Double XP  this weekend!";
        QTest::newRow("empty message of the day keeps its blank")
            << "motd" << 0 << QVariant(QString()) << "Set message of the day @  `Island´"
            << "cmd:SetMessageOfTheDay ";
        QTest::newRow("message of the day cancelled")
            << "motd" << 0 << none << "Set message of the day @  `Island´"
            << "";
    }

    void commandsQueueAUserCommandDueNow() {
        QFETCH(QString, item);
        QFETCH(int, answer);
        QFETCH(QVariant, typed);
        QFETCH(QString, asked);
        QFETCH(QString, command);
        Fixture f;
        f.addServer(kIsland, ServerState::Online);
        f.addServer(QStringLiteral("Reef"), ServerState::Online);
        f.select(kIsland);

        if (answer != 0)
            MessageBoxes::setNextAnswer(QMessageBox::StandardButton(answer));
        QString title;
        QString prompt;
        MessageBoxes::setNextInput([&](const QString &t, const QString &p) {
            title = t;
            prompt = p;
            return typed.isValid() ? std::optional<QString>(typed.toString()) : std::nullopt;
        });
        ServerCommands *commands = f.commands();
        QAction *action = item == "save"    ? commands->saveWorldAction()
                          : item == "dinos" ? commands->destroyWildDinosAction()
                          : item == "stop"  ? commands->stopAction()
                                            : commands->messageOfTheDayAction();
        action->trigger();

        if (item == "motd") {
            QCOMPARE(title, asked);
            QCOMPARE(prompt, QStringLiteral("  Message:  "));
            QCOMPARE(MessageBoxes::lastText(), kNoBox);
        } else {
            QCOMPARE(MessageBoxes::lastText(), asked);
            MessageBoxes::setNextInput({});
        }
        QCOMPARE(f.entries(),
                 command.isEmpty() ? QStringList() : QStringList{userCommand(command)});
    }

    void unbanTakesOnlyATypedSteamId_data() {
        QTest::addColumn<QVariant>("typed"); // invalid: Cancel
        QTest::addColumn<bool>("queued");
        QTest::addColumn<QString>("shown"); // the box after the input box

        QTest::newRow("17 digits")
            << QVariant(QStringLiteral("76561198000000042")) << true << kNoBox;
        QTest::newRow("16 digits")
            << QVariant(QStringLiteral("7656119800000004")) << false << "Invalid SteamID!";
        QTest::newRow("18 digits")
            << QVariant(QStringLiteral("765611980000000420")) << false << "Invalid SteamID!";
        QTest::newRow("17 characters with a letter")
            << QVariant(QStringLiteral("7656119800000x042")) << false << "Invalid SteamID!";
        QTest::newRow("blank around 17 digits")
            << QVariant(QStringLiteral(" 76561198000000042")) << false << "Invalid SteamID!";
        // The newer edition's EOS ids: 32 hexadecimal digits, sent as typed.
        const QString eos = QStringLiteral("0002a1b2c3d4e5f60718293a4b5c6d7e");
        QTest::newRow("EOS id") << QVariant(eos) << true << kNoBox;
        QTest::newRow("EOS id in capitals") << QVariant(eos.toUpper()) << true << kNoBox;
        QTest::newRow("31 hexadecimal digits")
            << QVariant(eos.left(31)) << false << "Invalid SteamID!";
        QTest::newRow("33 hexadecimal digits")
            << QVariant(eos + 'a') << false << "Invalid SteamID!";
        QTest::newRow("32 characters, one not hexadecimal")
            << QVariant(eos.left(31) + 'g') << false << "Invalid SteamID!";
        QTest::newRow("blank after an EOS id")
            << QVariant(eos + ' ') << false << "Invalid SteamID!";
        QTest::newRow("cancelled") << QVariant() << false << kNoBox;
    }

    void unbanTakesOnlyATypedSteamId() {
        QFETCH(QVariant, typed);
        QFETCH(bool, queued);
        QFETCH(QString, shown);
        Fixture f;
        f.addServer(kIsland, ServerState::Online);
        f.select(kIsland);
        QSignalSpy search(f.commands(), &ServerCommands::logSearchRequested);

        QString title;
        QString prompt;
        QStringList searchWhileAsked;
        QString fieldWhileAsked;
        int hitsWhileAsked = -1;
        f.console->programLog()->message(QStringLiteral("Command successfully: BanPlayer 1 @ x"));
        MessageBoxes::setNextInput([&](const QString &t, const QString &p) {
            title = t;
            prompt = p;
            for (const QList<QVariant> &call : std::as_const(search))
                searchWhileAsked << call.at(0).toString();
            fieldWhileAsked = f.window.logPanel()->search()->field()->text();
            hitsWhileAsked = f.window.logPanel()->searchResultView()->model()->rowCount();
            return typed.isValid() ? std::optional<QString>(typed.toString()) : std::nullopt;
        });
        MessageBoxes::setNextAnswer(QMessageBox::Ok);
        f.commands()->unbanAction()->trigger();

        QCOMPARE(title, QStringLiteral("Unban Player @  `Island´"));
        QCOMPARE(prompt, QStringLiteral("  Steam 64 ID :  "));
        // The ban lines show while the ID is typed, and the search is gone afterwards.
        QCOMPARE(searchWhileAsked, QStringList{QStringLiteral("banplayer")});
        QCOMPARE(fieldWhileAsked, QStringLiteral("banplayer"));
        QCOMPARE(hitsWhileAsked, 1);
        QVERIFY(f.window.logPanel()->search()->field()->text().isEmpty());
        QCOMPARE(search.size(), 2);
        QCOMPARE(search.at(1).at(0).toString(), QString());
        QCOMPARE(MessageBoxes::lastText(), shown);
        QCOMPARE(f.entries(), queued ? QStringList{userCommand(QStringLiteral("cmd:UnbanPlayer ") +
                                                               typed.toString())}
                                     : QStringList());
    }

    void unbanShowsInvalidSteamIdAfterTheSearchEnded() {
        Fixture f;
        f.addServer(kIsland, ServerState::Online);
        f.select(kIsland);
        QStringList order;
        connect(f.commands(), &ServerCommands::logSearchRequested, this,
                [&](const QString &text) { order << QStringLiteral("search:") + text; });
        MessageBoxes::setNextInput([&](const QString &, const QString &) {
            order << QStringLiteral("asked");
            return std::optional<QString>(QStringLiteral("123"));
        });
        MessageBoxes::setNextAnswer(QMessageBox::Ok);
        f.commands()->N1Click();
        QCOMPARE(MessageBoxes::lastText(), QStringLiteral("Invalid SteamID!"));
        QCOMPARE(order, (QStringList{QStringLiteral("search:banplayer"), QStringLiteral("asked"),
                                     QStringLiteral("search:")}));
        QCOMPARE(f.queue()->count(), 0);
    }

    void scriptRunsNowOrFromALaterDateAndTime_data() {
        QTest::addColumn<bool>("later");
        QTest::addColumn<QDateTime>("chosen");
        QTest::addColumn<QStringList>("times");

        QTest::newRow("now, at ten sharp") << false << QDateTime()
                                           << QStringList{QStringLiteral("01.06.2031 10:00:00"),
                                                          QStringLiteral("01.06.2031 10:00:15")};
        QTest::newRow("later, tomorrow evening")
            << true << QDateTime(QDate(2031, 6, 2), QTime(21, 30, 5))
            << QStringList{QStringLiteral("02.06.2031 21:30:05"),
                           QStringLiteral("02.06.2031 21:30:20")};
        QTest::newRow("later, a time already past")
            << true << QDateTime(QDate(2031, 5, 31), QTime(23, 59, 50))
            << QStringList{QStringLiteral("31.05.2031 23:59:50"),
                           QStringLiteral("01.06.2031 00:00:05")};
    }

    void scriptRunsNowOrFromALaterDateAndTime() {
        QFETCH(bool, later);
        QFETCH(QDateTime, chosen);
        QFETCH(QStringList, times);
        Fixture f;
        f.addServer(QStringLiteral("Reef"), ServerState::Online);
        f.addServer(kIsland, ServerState::Online);
        f.writeScript(QStringLiteral("Evening save"),
                      "msg:Saving in 15 seconds\r\n// then\r\nwait:15\r\ncmd:saveworld\r\n");
        f.select(kIsland);

        struct Seen {
            QString server, script;
            bool now = false, fieldsHidden = false, fieldsShownForLater = false,
                 okFocusedAfterChange = false;
            QDate date;
            QTime time;
        } seen;
        ModalStep<ScriptSelectionDialog> choose([&](ScriptSelectionDialog *dialog) {
            seen.server = dialog->serverLabel()->text();
            seen.script = dialog->scriptLabel()->text();
            seen.now = dialog->nowButton()->isChecked();
            seen.fieldsHidden = dialog->dateField()->isHidden() && dialog->timeField()->isHidden();
            seen.date = dialog->dateField()->date();
            seen.time = dialog->timeField()->time();
            dialog->nowButton()->setFocus();
            QTest::mouseClick(dialog->laterButton(), Qt::LeftButton);
            seen.fieldsShownForLater =
                dialog->dateField()->isVisible() && dialog->timeField()->isVisible();
            // "Later" wants a time: the time field takes what is typed next.
            seen.okFocusedAfterChange = dialog->focusWidget() == dialog->timeField();
            if (later) {
                dialog->dateField()->setDate(chosen.date());
                dialog->timeField()->setTime(chosen.time());
            } else {
                dialog->dateField()->setDate(QDate(2031, 7, 1));
                QTest::mouseClick(dialog->nowButton(), Qt::LeftButton);
                seen.fieldsShownForLater =
                    seen.fieldsShownForLater && dialog->dateField()->isHidden();
            }
            QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
            if (dialog->isVisible())
                dialog->reject();
        });
        f.scriptAction(QStringLiteral("Evening save"))->trigger();

        QVERIFY(choose.ran());
        QCOMPARE(seen.server, kIsland);
        QCOMPARE(seen.script, QStringLiteral("Evening save"));
        QVERIFY(seen.now);
        QVERIFY(seen.fieldsHidden);
        // "Later" starts a minute ahead.
        QCOMPARE(seen.date, kTen.date());
        QCOMPARE(seen.time, kTen.time().addSecs(60));
        QVERIFY(seen.fieldsShownForLater);
        QVERIFY(seen.okFocusedAfterChange);
        QVERIFY(!f.scriptMenu()->selectionDialog()->isVisible());
        QCOMPARE(MessageBoxes::lastText(), kNoBox);
        QCOMPARE(f.entries(),
                 (QStringList{QStringLiteral("Evening save | msg:Saving in 15 seconds | ") +
                                  times.at(0) + QStringLiteral(" | Island"),
                              QStringLiteral("Evening save | cmd:saveworld | ") + times.at(1) +
                                  QStringLiteral(" | Island")}));
    }

    void selectionOpensOnNowWithTheTimeOfOpeningAndCancelQueuesNothing() {
        Fixture f;
        f.addServer(kIsland, ServerState::Online);
        f.writeScript(QStringLiteral("Restart"), "cmd:doexit\r\n");
        f.select(kIsland);
        {
            ModalStep<ScriptSelectionDialog> cancel([](ScriptSelectionDialog *dialog) {
                QTest::mouseClick(dialog->laterButton(), Qt::LeftButton);
                dialog->dateField()->setDate(QDate(2031, 6, 5));
                QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
            });
            f.scriptAction(QStringLiteral("Restart"))->trigger();
            QVERIFY(cancel.ran());
        }
        QCOMPARE(f.queue()->count(), 0);

        testNow() = QDateTime(QDate(2031, 6, 1), QTime(11, 42, 7));
        bool now = false;
        bool hidden = false;
        QDateTime fields;
        ModalStep<ScriptSelectionDialog> look([&](ScriptSelectionDialog *dialog) {
            now = dialog->nowButton()->isChecked();
            hidden = dialog->dateField()->isHidden();
            fields = QDateTime(dialog->dateField()->date(), dialog->timeField()->time());
            dialog->reject();
        });
        f.scriptAction(QStringLiteral("Restart"))->trigger();
        QVERIFY(look.ran());
        QVERIFY(now);
        QVERIFY(hidden);
        QCOMPARE(fields, testNow().addSecs(60));
        QCOMPARE(f.queue()->count(), 0);
    }

    void laterTakesTypedDigitsAndMinutesAndTheQueuedScriptIsLogged() {
        Fixture f;
        f.addServer(kIsland, ServerState::Online);
        f.writeScript(QStringLiteral("Restart"),
                      "msg:soon\r\nwait:60\r\ncmd:saveworld\r\ncmd:doexit\r\n");
        f.select(kIsland);
        QTime typed;
        QDateTime inMinutes;
        int minutesShown = -1;
        ModalStep<ScriptSelectionDialog> type([&](ScriptSelectionDialog *dialog) {
            QTest::mouseClick(dialog->laterButton(), Qt::LeftButton);
            // Straight after choosing "Later", digits go into the hours, then the minutes.
            QTest::keyClicks(dialog->timeField(), QStringLiteral("2145"));
            typed = dialog->timeField()->time();
            minutesShown = dialog->minutesField()->value();
            dialog->minutesField()->setValue(90);
            inMinutes = QDateTime(dialog->dateField()->date(), dialog->timeField()->time());
            dialog->minutesField()->setValue(4);
            QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
            if (dialog->isVisible())
                dialog->reject();
        });
        f.scriptAction(QStringLiteral("Restart"))->trigger();
        QVERIFY(type.ran());
        QCOMPARE(typed, QTime(21, 45, 0));
        QCOMPARE(minutesShown, 11 * 60 + 45);
        QCOMPARE(inMinutes, kTen.addSecs(90 * 60));
        QCOMPARE(f.queue()->count(), 3);
        QCOMPARE(f.queue()->entry(0).timeField, QStringLiteral("01.06.2031 10:04:00"));
        QVERIFY(f.console->programLog()->lines().at(0).endsWith(
            QStringLiteral("Script queued: `Restart´ on `Island´ at 10:04:00, 3 commands")));
    }

    void refusedScriptQueuesNothingAndNamesTheLine() {
        Fixture f;
        f.addServer(kIsland, ServerState::Online);
        f.writeScript(QStringLiteral("Broken"), "msg:one\r\nwait:soon\r\ncmd:saveworld\r\n");
        f.writeScript(QStringLiteral("Notes"), "only a note\r\nMSG:not a broadcast\r\n");
        f.select(kIsland);

        bool openAfterOk = false;
        QString shown;
        ModalStep<ScriptSelectionDialog> refused([&](ScriptSelectionDialog *dialog) {
            MessageBoxes::setNextAnswer(QMessageBox::Ok);
            QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
            openAfterOk = dialog->isVisible();
            shown = MessageBoxes::lastText();
            dialog->reject();
        });
        f.scriptAction(QStringLiteral("Broken"))->trigger();
        QVERIFY(refused.ran());
        QVERIFY(openAfterOk);
        QCOMPARE(shown, QStringLiteral("Script `Broken´, line 2: \"wait:soon\" has no number of "
                                       "seconds. Nothing was queued."));
        QCOMPARE(f.queue()->count(), 0);

        // A script of comments only queues nothing, and that is no reason to keep the dialog.
        resetBoxes();
        bool closed = false;
        ModalStep<ScriptSelectionDialog> comments([&](ScriptSelectionDialog *dialog) {
            QTest::mouseClick(dialog->okButton(), Qt::LeftButton);
            closed = !dialog->isVisible();
            if (!closed)
                dialog->reject();
        });
        f.scriptAction(QStringLiteral("Notes"))->trigger();
        QVERIFY(comments.ran());
        QVERIFY(closed);
        QCOMPARE(MessageBoxes::lastText(), kNoBox);
        QCOMPARE(f.queue()->count(), 0);
    }

    void scriptMenuFollowsTheFolderAndOptionsOpensTheScriptsTab() {
        Fixture f;
        f.writeScript(QStringLiteral("beta"), "cmd:saveworld\r\n");
        f.writeScript(QStringLiteral("Alpha & Omega"), "cmd:doexit\r\n");
        writeBytes(f.dir.filePath(QStringLiteral("scripts/readme.txt")), "not a script");
        f.console->scripts()->ListscriptDir();

        const QList<QAction *> items = f.scriptMenu()->actions();
        QCOMPARE(items.size(), 4);
        QCOMPARE(items.at(0), f.scriptMenu()->optionsAction());
        QCOMPARE(items.at(0)->text(), QStringLiteral("Options"));
        QVERIFY(items.at(1)->isSeparator());
        QCOMPARE(items.at(2)->text(), QStringLiteral("Alpha && Omega"));
        QCOMPARE(items.at(3)->text(), QStringLiteral("beta"));

        ScriptFile script;
        script.text = QStringLiteral("msg:hi");
        QCOMPARE(f.console->scripts()->save(QString(), QStringLiteral("gamma"), script, false),
                 ScriptFolder::SaveResult::Saved);
        QCOMPARE(f.scriptMenu()->scriptActions().size(), 3);
        QCOMPARE(f.scriptMenu()->scriptActions().constLast()->text(), QStringLiteral("gamma"));

        int tab = -1;
        ModalStep<OptionsDialog> options([&](OptionsDialog *dialog) {
            tab = dialog->tabs()->currentIndex();
            QTest::mouseClick(dialog->closeButton(), Qt::LeftButton);
        });
        f.scriptMenu()->optionsAction()->trigger();
        QVERIFY(options.ran());
        QCOMPARE(tab, int(OptionsDialog::Tab::Scripts));
    }

    // Under Xvfb with KVD_SCREENSHOT_DIR set: the dialog with "Later" chosen.
    void screenshot() {
        const QByteArray shots = qgetenv("KVD_SCREENSHOT_DIR");
        if (shots.isEmpty())
            QSKIP("KVD_SCREENSHOT_DIR is not set");
        Theme::apply(*qApp);
        Fixture f;
        ScriptSelectionDialog *dialog = f.scriptMenu()->selectionDialog();
        dialog->prepare(QStringLiteral("The Island #1"), QStringLiteral("Evening save"),
                        QStringLiteral("msg:Saving\nwait:15\ncmd:saveworld"));
        dialog->show();
        QTest::mouseClick(dialog->laterButton(), Qt::LeftButton);
        dialog->dateField()->setDate(QDate(2031, 6, 2));
        dialog->timeField()->setTime(QTime(21, 30, 0));
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QVERIFY(dialog->grab().save(QString::fromLocal8Bit(shots) +
                                    QStringLiteral("/script-selection.png")));
        dialog->reject();
    }
};

QTEST_MAIN(TestServerCommands)
#include "tst_servercommands.moc"
