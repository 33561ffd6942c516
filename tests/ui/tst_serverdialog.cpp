// The server settings dialog and the server menu in a real window, headless: the dialog's look
// and keys, each refusal, add, edit, rename and delete through the menu, the menu's enabling
// rules, double-click, the Delete and Menu keys, against simulated game servers on loopback.
#include "base/Intervals.h"
#include "base/ProgramLog.h"
#include "base/TextFile.h"
#include "chat/BackgroundWatch.h"
#include "chat/ChatSession.h"
#include "console/ServerEditor.h"
#include "monitor/PollCycle.h"
#include "servers/ServerSettings.h"
#include "servers/StringTable.h"
#include "servers/TableFile.h"
#include "ui/ChatPanel.h"
#include "ui/ChatView.h"
#include "ui/LogPanel.h"
#include "ui/MainWindow.h"
#include "ui/MenuKey.h"
#include "ui/MessageBoxes.h"
#include "ui/ScriptMenu.h"
#include "ui/ServerCommands.h"
#include "ui/ServerListView.h"
#include "ui/ServerMenu.h"
#include "ui/ServerSettingsDialog.h"
#include "ui/Theme.h"

#include "ConsoleFixture.h"
#include "TestFiles.h"
#include "TestPorts.h"
#include "TestWait.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

namespace {

constexpr int kWait = 20000;
const QString kNoBox = QStringLiteral("<no message box>");

QString q(const QString &name) {
    return QLatin1Char('`') + name + QChar(0x00B4);
}

// The texts of a menu's items in order, separators as empty texts.
QStringList itemTexts(const QMenu *menu) {
    QStringList texts;
    for (const QAction *action : menu->actions())
        texts << (action->isSeparator() ? QString() : action->text());
    return texts;
}

// Forgets an answer prepared for a box that never came, and marks that none has come since.
void resetBoxes() {
    MessageBoxes::setNextAnswer(QMessageBox::Ok);
    MessageBoxes::inform(nullptr, kNoBox);
}

// The console, started, with its window shown, and the simulated servers a test adds.
struct Fixture : ConsoleFixture {
    MainWindow window{console.get()};

    Fixture() {
        window.show();
        window.runStartUp();
    }
    ~Fixture() {
        console->pollCycle()->stop();
        console->chat()->chataus();
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
    }

    ServerMenu *menu() const { return window.serverMenu(); }
    ServerSettingsDialog *dialog() const { return menu()->dialog(); }
    ServerListView *view() const { return window.serverView(); }
    ServerEditor *editor() const { return console->serverEditor(); }
    PollCycle *poll() const { return console->pollCycle(); }
    QString file(const QString &name) const { return dir.filePath(name); }

    SimServer *sim(const QString &name) {
        SimServer *server = startSim(name, QStringLiteral("pw"));
        editor()->add({name, server->host(), server->portText(), QStringLiteral("pw")});
        return server;
    }
    QString addClosed(const QString &name) {
        const QString port = closedPort();
        editor()->add({name, QStringLiteral("127.0.0.1"), port, QStringLiteral("pw")});
        return port;
    }

    void select(const QString &name) const {
        const int row = servers()->rowOfName(name);
        QVERIFY(row >= 0);
        view()->setCurrentIndex(view()->model()->index(row, 0));
    }
    void selectNone() const { view()->selectionModel()->clearSelection(); }

    void fill(const ServerSettings &settings) const { dialog()->setFields(settings); }
    // Presses OK; the text of the refusal shown, or empty when none was.
    QString pressOk() const {
        resetBoxes();
        MessageBoxes::setNextAnswer(QMessageBox::Ok);
        dialog()->okButton()->click();
        const QString shown = MessageBoxes::lastText();
        if (shown != kNoBox)
            return shown;
        resetBoxes();
        return {};
    }
    // Answers the deletion question and presses the Delete key on the list.
    void pressDelete(QMessageBox::StandardButton answer) const {
        MessageBoxes::setNextAnswer(answer);
        QTest::keyClick(view(), Qt::Key_Delete);
    }

    QStringList savedNames() const {
        StringTable table;
        LoadStringGrid(table, servers()->fileName());
        QStringList names;
        for (int row = 1; row < table.rowCount(); ++row)
            names << table.cell(0, row);
        return names;
    }
    bool chatOpenOn(const QString &name) const {
        return console->chat()->isOpen() && window.chatPanel()->title() == name;
    }
    void openChat(SimServer *server) {
        QVERIFY(waitUntil([&] { return entry(server->name()).statusText() == "Online"; }, kWait));
        console->chat()->Chat1Click(server->name());
        QTRY_VERIFY_WITH_TIMEOUT(chatOpenOn(server->name()), kWait);
    }
};

QString labelOf(const QWidget *field) {
    for (const QLabel *label : field->parentWidget()->findChildren<QLabel *>()) {
        if (label->buddy() == field)
            return label->text();
    }
    return {};
}

} // namespace

class TestServerDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Intervals &intervals = Intervals::instance();
        intervals.visitStartFirstPassMs = 10;
        intervals.visitStartMs = 30;
        intervals.watchdogMs = 1500;
        intervals.pollConnectTimeoutMs = 1000;
        intervals.chatRerequestMs = 40;
        intervals.chatConnectTimeoutMs = 1000;
        intervals.serverSaveRetryMs = 50;
        intervals.logSaveMs = 3600000; // only the dialog's own saves write the log here
        // The window's own style sheet, which the dialog's fields must hold their own against.
        Theme::apply(*qobject_cast<QApplication *>(QCoreApplication::instance()));
    }

    void dialogIsModalOnTopAndHoldsMonitoring() {
        Fixture f;
        f.menu()->newServerAction()->trigger();
        ServerSettingsDialog *dialog = f.dialog();
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->isEditMode());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Server settings"));
        QCOMPARE(dialog->windowModality(), Qt::ApplicationModal);
        QVERIFY(dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(!dialog->windowFlags().testFlag(Qt::WindowCloseButtonHint));
        QVERIFY(!dialog->windowFlags().testFlag(Qt::WindowMinMaxButtonsHint));
        QVERIFY((dialog->geometry().center() - f.window.geometry().center()).manhattanLength() < 4);

        // Each field is named by its label, for the keyboard and for assistive technology.
        QCOMPARE(labelOf(dialog->nameField()), QStringLiteral(" Name:"));
        QCOMPARE(labelOf(dialog->hostField()), QStringLiteral(" Host:"));
        QCOMPARE(labelOf(dialog->portField()), QStringLiteral(" RCON-Port:"));
        QCOMPARE(labelOf(dialog->passwordField()), QStringLiteral(" Serverpassword:"));
        QAccessibleInterface *accessible =
            QAccessible::queryAccessibleInterface(dialog->portField());
        QVERIFY(accessible);
        QVERIFY(accessible->text(QAccessible::Name).contains(QLatin1String("RCON-Port")));

        QCOMPARE(dialog->nameField()->maxLength(), 50);
        QCOMPARE(dialog->passwordField()->maxLength(), 255);
        QCOMPARE(dialog->passwordField()->echoMode(), QLineEdit::Password);
        QLineEdit *password = dialog->passwordField();
        password->setText(QStringLiteral("secret"));
        QCOMPARE(password->displayText(), QStringLiteral("******"));
        password->clear();
        QCOMPARE(dialog->okButton()->text(), QStringLiteral("OK"));
        QVERIFY(dialog->okButton()->isDefault());
        QCOMPARE(dialog->cancelButton()->text(), QStringLiteral("Abbrechen"));
        QTRY_COMPARE(QApplication::focusWidget(), dialog->nameField());

        // No visit result is taken in and no background step starts while it is open.
        QVERIFY(f.poll()->isHeld());
        QVERIFY(f.console->backgroundWatch()->isHeld());

        QTest::keyClicks(dialog->nameField(), QStringLiteral("Typed"));
        QTest::keyClick(dialog->nameField(), Qt::Key_Escape);
        QVERIFY(!dialog->isVisible());
        QVERIFY(!f.poll()->isHeld());
        QVERIFY(!f.console->backgroundWatch()->isHeld());
        QCOMPARE(f.servers()->serverCount(), 0);

        // Cancel leaves it empty for the next time.
        f.menu()->newServerAction()->trigger();
        QVERIFY(dialog->nameField()->text().isEmpty());
        f.fill(
            {QStringLiteral("A"), QStringLiteral("h"), QStringLiteral("1"), QStringLiteral("p")});
        QTest::mouseClick(dialog->cancelButton(), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->fields(), ServerSettings{});
        QCOMPARE(f.servers()->serverCount(), 0);
        QVERIFY(!f.poll()->isHeld());
    }

    void refusalsLeaveTheDialogOpen_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");

        const QString name = QStringLiteral("Island");
        const QString host = QStringLiteral("10.0.0.1");
        const QString port = QStringLiteral("27015");
        const QString servername = QStringLiteral("Invalid servername!");
        const QString input = QStringLiteral("Invalid input!");
        const QString badPort = QStringLiteral("Invalid port!");
        const QString exists = QStringLiteral("Servername already exists!");
        QTest::newRow("forbidden character") << "Is*land"
                                             << ""
                                             << ""
                                             << "" << servername;
        QTest::newRow("channel offline") << "Channel Offline" << host << port << "" << servername;
        QTest::newRow("blank-led name") << " Island" << host << "x"
                                        << "" << input;
        QTest::newRow("empty host") << name << ""
                                    << "x"
                                    << "" << input;
        QTest::newRow("tab in password") << name << host << port << "a\tb" << input;
        QTest::newRow("line break in host") << name << "10.0.0.1\n" << port << "" << input;
        QTest::newRow("letters in port") << name << host << "port"
                                         << "" << badPort;
        QTest::newRow("port 0") << name << host << "0"
                                << "" << badPort;
        QTest::newRow("port 65536") << name << host << "65536"
                                    << "" << badPort;
        QTest::newRow("taken name with a bad port") << "Taken" << host << "x"
                                                    << "" << badPort;
        QTest::newRow("taken name") << "Taken" << host << port << "" << exists;
    }

    void refusalsLeaveTheDialogOpen() {
        QFETCH(QString, name);
        QFETCH(QString, host);
        QFETCH(QString, port);
        QFETCH(QString, password);
        QFETCH(QString, message);
        Fixture f;
        f.addClosed(QStringLiteral("Taken"));
        const QStringList before = f.console->programLog()->lines();
        f.menu()->newServerAction()->trigger();
        const ServerSettings typed{name, host, port, password};
        f.fill(typed);

        QCOMPARE(f.pressOk(), message);
        QVERIFY(f.dialog()->isVisible());
        QCOMPARE(f.dialog()->fields(), typed);
        QCOMPARE(f.servers()->serverCount(), 1);
        QCOMPARE(f.console->programLog()->lines(), before);
        if (message == QLatin1String("Invalid port!"))
            QTRY_COMPARE(QApplication::focusWidget(), f.dialog()->portField());
        QTest::keyClick(f.dialog()->portField(), Qt::Key_Escape);
        QVERIFY(!f.dialog()->isVisible());
    }

    void refusalShowsBesideItsFieldAsTyped_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        const int port = int(ServerField::Port);
        QTest::newRow("port of letters") << port << "abc"
                                         << "Invalid port!";
        QTest::newRow("port 0") << port << "0"
                                << "Invalid port!";
        QTest::newRow("port 65536") << port << "65536"
                                    << "Invalid port!";
        QTest::newRow("port 27015") << port << "27015"
                                    << "";
        QTest::newRow("name with a slash") << int(ServerField::Name) << "a/b"
                                           << "Invalid servername!";
        QTest::newRow("blank-led host") << int(ServerField::Host) << " x"
                                        << "Invalid input!";
        QTest::newRow("any password") << int(ServerField::Password) << " x y"
                                      << "";
    }

    void refusalShowsBesideItsFieldAsTyped() {
        QFETCH(int, field);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        Fixture f;
        f.menu()->newServerAction()->trigger();
        // Nothing is refused before the operator has typed.
        QCOMPARE(f.dialog()->fieldMessage(ServerField::Port), QString());
        QLineEdit *edits[] = {f.dialog()->nameField(), f.dialog()->hostField(),
                              f.dialog()->portField(), f.dialog()->passwordField()};
        QTest::keyClicks(edits[field], typed);
        QCOMPARE(f.dialog()->fieldMessage(ServerField(field)), message);
        QCOMPARE(edits[field]->accessibleDescription(), message);
        QVERIFY(f.dialog()->okButton()->isDefault());
        if (field == int(ServerField::Port) && !message.isEmpty()) {
            f.fill({QStringLiteral("Island"), QStringLiteral("10.0.0.1"), typed, {}});
            QCOMPARE(f.pressOk(), message);
            QTRY_COMPARE(QApplication::focusWidget(), f.dialog()->portField());
            QVERIFY(f.dialog()->isVisible());
            QCOMPARE(f.servers()->serverCount(), 0);
        }
        f.dialog()->reject();
        // The next opening starts clean.
        f.menu()->newServerAction()->trigger();
        QCOMPARE(f.dialog()->fieldMessage(ServerField(field)), QString());
        f.dialog()->reject();
    }

    void nameFieldTakesFiftyCharacters() {
        Fixture f;
        f.menu()->newServerAction()->trigger();
        QTest::keyClicks(f.dialog()->nameField(), QString(51, QLatin1Char('n')));
        QCOMPARE(f.dialog()->nameField()->text(), QString(50, QLatin1Char('n')));
        QTest::keyClicks(f.dialog()->hostField(), QStringLiteral("127.0.0.1"));
        QTest::keyClicks(f.dialog()->portField(), QStringLiteral("65535"));
        QCOMPARE(f.pressOk(), QString()); // an empty password and the highest port are taken
        QVERIFY(!f.dialog()->isVisible());
        QCOMPARE(f.servers()->entry(0).settings.name, QString(50, QLatin1Char('n')));
        QCOMPARE(f.servers()->entry(0).settings.port, QStringLiteral("65535"));
        QCOMPARE(f.savedNames(), QStringList{QString(50, QLatin1Char('n'))});
    }

    void firstServerStartsTheCycleAndAnotherLeavesItsVisitAlone() {
        Fixture f;
        QLabel *placeholder = f.view()->placeholder();
        QVERIFY(placeholder->isVisible());
        // The placeholder's pop-up menu offers only "New server".
        emit placeholder->customContextMenuRequested(QPoint(5, 5));
        QCOMPARE(QApplication::activePopupWidget(), f.menu());
        QVERIFY(f.menu()->newServerAction()->isEnabled());
        QVERIFY(!f.menu()->editServerAction()->isEnabled());
        QVERIFY(!f.menu()->deleteServerAction()->isEnabled());
        QVERIFY(!f.menu()->chatAction()->isEnabled());
        f.menu()->close();

        SimServer *a = f.startSim(QStringLiteral("A"), QStringLiteral("pw"));
        a->setFault(SimServer::NeverAnswer); // its visit lasts until the watchdog ends it
        f.menu()->newServerAction()->trigger();
        f.fill({QStringLiteral("A"), a->host(), a->portText(), QStringLiteral("pw")});
        resetBoxes();
        QTest::keyClick(f.dialog()->nameField(), Qt::Key_Return); // OK is the default button
        QCOMPARE(MessageBoxes::lastText(), kNoBox);
        QVERIFY(!f.dialog()->isVisible());
        QVERIFY(!placeholder->isVisible());
        QCOMPARE(f.messages().constLast(), QStringLiteral("Server added:  ") + q("A") +
                                               QStringLiteral("  (127.0.0.1:") + a->portText() +
                                               QLatin1Char(')'));
        QVERIFY(waitUntil([a] { return a->commands().size() == 1; }, kWait));
        QVERIFY(f.poll()->isVisitRunning());
        QCOMPARE(f.poll()->currentServerName(), QStringLiteral("A"));

        f.selectNone();
        f.menu()->newServerAction()->trigger();
        f.fill(
            {QStringLiteral("B"), QStringLiteral("127.0.0.1"), closedPort(), QStringLiteral("pw")});
        QCOMPARE(f.pressOk(), QString());
        QCOMPARE(f.servers()->serverCount(), 2);
        QVERIFY(f.poll()->isVisitRunning());
        QCOMPARE(f.poll()->currentServerName(), QStringLiteral("A"));
        QCOMPARE(a->commands().size(), 1);
    }

    void editWithoutChangeOnlyClosesTheChat() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        f.openChat(a);
        QVERIFY(QFile::remove(f.servers()->fileName()));
        QFile::remove(f.file(QStringLiteral("logs/kvd.log")));
        const QStringList before = f.console->programLog()->lines();

        f.select(QStringLiteral("A"));
        f.menu()->editServerAction()->trigger();
        QVERIFY(f.dialog()->isEditMode());
        QCOMPARE(f.dialog()->fields(), (ServerSettings{QStringLiteral("A"), a->host(),
                                                       a->portText(), QStringLiteral("pw")}));
        QCOMPARE(f.pressOk(), QString());
        QVERIFY(!f.dialog()->isVisible());
        QCOMPARE(f.dialog()->fields(), ServerSettings{});
        QVERIFY(!f.dialog()->isEditMode());
        QCOMPARE(f.window.chatPanel()->title(), QStringLiteral("Channel offline"));
        QTest::qWait(50);
        QVERIFY(!QFile::exists(f.servers()->fileName()));
        QVERIFY(!QFile::exists(f.file(QStringLiteral("logs/kvd.log"))));
        QCOMPARE(f.console->programLog()->lines(), before);
    }

    void passwordOnlyChangeSavesAndLogsButLeavesTheLogs() {
        Fixture f;
        f.addClosed(QStringLiteral("A"));
        writeBytes(f.logPath(QStringLiteral("A")), QByteArrayLiteral("chat of A"));
        ProgramLog *log = f.console->programLog();
        log->setLines(
            QStringList{QStringLiteral("[261209-201500] Player: `Bob´ (1) joined @ `A´")} +
            log->lines());
        const QStringList before = log->lines();

        f.select(QStringLiteral("A"));
        f.menu()->editServerAction()->trigger();
        f.dialog()->passwordField()->setText(QStringLiteral("new secret"));
        QCOMPARE(f.pressOk(), QString());

        QCOMPARE(f.editor()->settingsOf(QStringLiteral("A"))->password,
                 QStringLiteral("new secret"));
        StringTable saved;
        QVERIFY(LoadStringGrid(saved, f.servers()->fileName()));
        QCOMPARE(saved.cell(3, 1), QStringLiteral("new secret"));
        QCOMPARE(f.messages().constLast(), QStringLiteral("Server setting changed:  ") + q("A"));
        QCOMPARE(log->lines().mid(1), before);
        QCOMPARE(readBytes(f.logPath(QStringLiteral("A"))), QByteArrayLiteral("chat of A"));
        QTRY_COMPARE(TextFile::readLines(f.file(QStringLiteral("logs/kvd.log"))), log->lines());
    }

    void renameCarriesTheNewNameToFileAndPlayerLines() {
        Fixture f;
        f.addClosed(QStringLiteral("Alpha"));
        f.addClosed(QStringLiteral("Beta"));
        writeBytes(f.logPath(QStringLiteral("Alpha")), QByteArrayLiteral("chat of Alpha"));
        const QString stamp = QStringLiteral("[261209-201500] ");
        const QString joined = stamp + QStringLiteral("Player: `Bob´ (1) joined @ `Alpha´");
        const QString sameName = stamp + QStringLiteral("Player: `ALPHA´ (2) playing @ `Alpha´");
        const QString left =
            stamp + QStringLiteral("Player: `Bob´ (1) has left `Alpha´ - Duration {00:10:00}");
        const QString status = stamp + QStringLiteral("Serverstatus (Alpha):  Online");
        const QString other = stamp + QStringLiteral("Player: `Ann´ (3) joined @ `Beta´");
        QStringList filler;
        for (int i = 0; i < 30; ++i)
            filler << stamp + QStringLiteral("Serverstatus (Beta):  Refused");
        ProgramLog *log = f.console->programLog();
        log->setLines(QStringList{left, status, sameName, joined, other} + filler + log->lines());
        QSignalSpy renamed(f.editor(), &ServerEditor::serverRenamed);

        f.select(QStringLiteral("Alpha"));
        f.menu()->editServerAction()->trigger();
        f.dialog()->nameField()->setText(QStringLiteral("Beta"));
        QCOMPARE(f.pressOk(), QStringLiteral("Servername already exists!"));
        QVERIFY(f.dialog()->isVisible());
        f.dialog()->nameField()->setText(QStringLiteral("Omega"));
        QCOMPARE(f.pressOk(), QString());

        QCOMPARE(renamed.count(), 1);
        QCOMPARE(renamed.at(0),
                 (QList<QVariant>{QStringLiteral("Alpha"), QStringLiteral("Omega")}));
        QCOMPARE(f.view()
                     ->model()
                     ->index(f.servers()->rowOfName(QStringLiteral("Omega")), 0)
                     .data()
                     .toString(),
                 QStringLiteral("Omega"));
        QCOMPARE(f.savedNames(), (QStringList{QStringLiteral("Omega"), QStringLiteral("Beta")}));
        QVERIFY(!QFile::exists(f.logPath(QStringLiteral("Alpha"))));
        QCOMPARE(readBytes(f.logPath(QStringLiteral("Omega"))), QByteArrayLiteral("chat of Alpha"));

        const QStringList lines = log->lines();
        QCOMPARE(lines.constFirst().mid(16),
                 QStringLiteral("Server setting changed:  `Alpha´  renamed to  `Omega´"));
        QCOMPARE(
            lines.mid(1, 5),
            (QStringList{
                stamp + QStringLiteral("Player: `Bob´ (1) has left `Omega´ - Duration {00:10:00}"),
                status, stamp + QStringLiteral("Player: `Omega´ (2) playing @ `Omega´"),
                stamp + QStringLiteral("Player: `Bob´ (1) joined @ `Omega´"), other}));
        // Written on the following turns, backup included (the log is longer than 30 lines).
        QTRY_COMPARE(TextFile::readLines(f.file(QStringLiteral("logs/kvd.log"))), lines);
        QTRY_COMPARE(TextFile::readLines(f.file(QStringLiteral("logs/kvd.bck"))), lines);
    }

    void deleteAsksThenMarksAndTheCycleRemoves() {
        Fixture f;
        const QString port = f.addClosed(QStringLiteral("A"));
        f.addClosed(QStringLiteral("B"));
        f.select(QStringLiteral("A"));

        f.pressDelete(QMessageBox::No);
        QCOMPARE(MessageBoxes::lastText(),
                 QStringLiteral("Server and logfile: `A´ really delete?"));
        QVERIFY(!f.servers()->deletePending());
        QVERIFY(f.entry(QStringLiteral("A")).statusText() != QLatin1String("Erase"));

        MessageBoxes::setNextAnswer(QMessageBox::Yes);
        f.menu()->deleteServerAction()->trigger();
        QCOMPARE(f.entry(QStringLiteral("A")).statusText(), QStringLiteral("Erase"));
        QVERIFY(f.servers()->deletePending());
        QVERIFY(waitUntil([&f] { return !f.servers()->deletePending(); }, kWait));
        QCOMPARE(f.servers()->rowOfName(QStringLiteral("A")), -1);
        QVERIFY(f.messages().contains(QStringLiteral("Server deleted:  ") + q("A") +
                                      QStringLiteral("  (127.0.0.1:") + port + QLatin1Char(')')));
        QCOMPARE(f.savedNames(), QStringList{QStringLiteral("B")});
    }

    void deletingTwoServersInOneStepRemovesBothWithOneSave() {
        Fixture f;
        f.addClosed(QStringLiteral("A"));
        const QString portB = f.addClosed(QStringLiteral("B"));
        const QString portC = f.addClosed(QStringLiteral("C"));
        for (const char *name : {"A", "B", "C"})
            writeBytes(f.logPath(QLatin1String(name)), QByteArrayLiteral("chat"));
        // Every save of the list now fails, and says so once per attempt.
        QVERIFY(QFile::remove(f.servers()->fileName()));
        QVERIFY(QDir().mkdir(f.servers()->fileName()));

        for (const char *name : {"B", "C"}) {
            f.select(QLatin1String(name));
            f.pressDelete(QMessageBox::Yes);
        }
        QVERIFY(waitUntil([&f] { return !f.servers()->deletePending(); }, kWait));

        QCOMPARE(f.servers()->serverCount(), 1);
        QCOMPARE(f.servers()->entry(0).settings.name, QStringLiteral("A"));
        const QStringList messages = f.messages();
        const qsizetype first =
            messages.indexOf(QStringLiteral("Server deleted:  ") + q("B") +
                             QStringLiteral("  (127.0.0.1:") + portB + QLatin1Char(')'));
        QVERIFY(first >= 0);
        QCOMPARE(messages.mid(first + 1, 2),
                 (QStringList{QStringLiteral("Server deleted:  ") + q("C") +
                                  QStringLiteral("  (127.0.0.1:") + portC + QLatin1Char(')'),
                              QStringLiteral("Failed to save server list. Try again...")}));
        QCOMPARE(messages.filter(QStringLiteral("Server deleted:")).size(), 2);
        QVERIFY(QFile::exists(f.logPath(QStringLiteral("A"))));
        QVERIFY(!QFile::exists(f.logPath(QStringLiteral("B"))));
        QVERIFY(!QFile::exists(f.logPath(QStringLiteral("C"))));
    }

    void deletingTheChatsServerClosesTheChatAndDeletesItsLog() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        f.sim(QStringLiteral("B"));
        a->appendGameLog(QStringLiteral("Bob (Rex): hello"));
        f.openChat(a);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(f.logPath(QStringLiteral("A"))), kWait);

        f.select(QStringLiteral("A"));
        f.pressDelete(QMessageBox::Yes);
        // Marked, while the chat stays open until the step ends.
        QCOMPARE(f.entry(QStringLiteral("A")).statusText(), QStringLiteral("Erase"));
        QVERIFY(f.chatOpenOn(QStringLiteral("A")));
        QVERIFY(waitUntil([&f] { return !f.servers()->deletePending(); }, kWait));

        QCOMPARE(f.window.chatPanel()->title(), QStringLiteral("Channel offline"));
        QVERIFY(!f.console->chat()->isOpen());
        QVERIFY(!f.console->chat()->isMenuChecked());
        QCOMPARE(f.servers()->rowOfName(QStringLiteral("A")), -1);
        QVERIFY(!QFile::exists(f.logPath(QStringLiteral("A"))));
        a->appendGameLog(QStringLiteral("Bob (Rex): still there?"));
        QTest::qWait(300);
        QVERIFY(!QFile::exists(f.logPath(QStringLiteral("A"))));
    }

    void serverMenuFollowsTheSelection() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        f.addClosed(QStringLiteral("B"));
        ServerMenu *menu = f.menu();
        // The window's own server commands and "Script" sub-menu.
        QAction *command = f.window.serverCommands()->saveWorldAction();
        QMenu *scripts = f.window.scriptMenu();
        QCOMPARE(
            itemTexts(menu),
            (QStringList{QStringLiteral("New server"), QStringLiteral("Edit server"),
                         QStringLiteral("Delete server"), QString(), QStringLiteral("`Saveworld´"),
                         QStringLiteral("`DestroyWildDinos´          "), QStringLiteral("`Stop´"),
                         QStringLiteral("`Unban player´ : ..."),
                         QStringLiteral("`Set message of the day´        "), QString(),
                         QStringLiteral("Chat"), QStringLiteral("Script")}));
        QVERIFY(waitUntil(
            [&f] {
                return f.entry(QStringLiteral("A")).statusText() == "Online" &&
                       f.entry(QStringLiteral("B")).statusText() == "Refused";
            },
            kWait));

        struct Enabled {
            bool add, edit, remove, command, chat, script;
        };
        const auto enabled = [menu, command, scripts] {
            menu->updateEnabling();
            return Enabled{
                menu->newServerAction()->isEnabled(),    menu->editServerAction()->isEnabled(),
                menu->deleteServerAction()->isEnabled(), command->isEnabled(),
                menu->chatAction()->isEnabled(),         scripts->menuAction()->isEnabled()};
        };
        const auto check = [&](const char *what, Enabled expected) {
            const Enabled got = enabled();
            QVERIFY2(got.add == expected.add && got.edit == expected.edit &&
                         got.remove == expected.remove && got.command == expected.command &&
                         got.chat == expected.chat && got.script == expected.script,
                     what);
        };
        f.selectNone();
        check("none selected", {true, false, false, false, false, false});
        f.select(QStringLiteral("A"));
        // "New server" stays offered with a server selected: its keys must never edit one.
        check("online server", {true, true, true, true, true, true});
        f.select(QStringLiteral("B"));
        check("refused server", {true, true, true, false, false, false});

        // "Chat" is ticked while a chat is open, and with no server selected it closes it.
        QVERIFY(!menu->chatAction()->isChecked());
        f.openChat(a);
        QVERIFY(menu->chatAction()->isChecked());
        f.select(QStringLiteral("A"));
        check("server whose chat is open", {true, true, true, true, true, true});
        f.selectNone();
        check("none selected, chat open", {true, false, false, false, true, false});
        menu->chatAction()->trigger();
        QVERIFY(!f.console->chat()->isOpen());
        QVERIFY(!menu->chatAction()->isChecked());
        // On a server that is not online "Chat" does nothing but tick itself.
        f.select(QStringLiteral("B"));
        menu->chat();
        QVERIFY(!f.console->chat()->isOpen());
        QVERIFY(menu->chatAction()->isChecked());
    }

    void doubleClickTogglesTheChat() {
        Fixture f;
        SimServer *a = f.sim(QStringLiteral("A"));
        QVERIFY(waitUntil([&f] { return f.entry(QStringLiteral("A")).statusText() == "Online"; },
                          kWait));
        QWidget *viewport = f.view()->viewport();
        // A double-click is a click, then the double-click event.
        const auto doubleClick = [viewport](const QPoint &pos) {
            QTest::mouseClick(viewport, Qt::LeftButton, {}, pos);
            QTest::mouseDClick(viewport, Qt::LeftButton, {}, pos);
        };
        const QPoint onA = f.view()->visualRect(f.view()->model()->index(0, 0)).center();
        doubleClick(onA);
        QCOMPARE(f.menu()->selectedServer(), QStringLiteral("A"));
        QTRY_VERIFY_WITH_TIMEOUT(f.chatOpenOn(QStringLiteral("A")), kWait);
        doubleClick(onA);
        QVERIFY(!f.console->chat()->isOpen());

        // Below the last row nothing is selected: the double-click only closes an open chat.
        f.openChat(a);
        const QPoint below(onA.x(), viewport->height() - 5);
        doubleClick(below);
        QVERIFY(f.menu()->selectedServer().isEmpty());
        QVERIFY(!f.console->chat()->isOpen());
        doubleClick(below);
        QVERIFY(!f.console->chat()->isOpen());
    }

    void menuKeyOpensThePopUpMenusOfTheFocusedLists() {
        Fixture f;
        f.addClosed(QStringLiteral("A"));
        f.select(QStringLiteral("A"));
        ServerListView *servers = f.view();
        QTest::keyClick(servers, Qt::Key_Menu);
        QCOMPARE(QApplication::activePopupWidget(), f.menu());
        QVERIFY(f.menu()->newServerAction()->isEnabled());  // always offered
        QVERIFY(f.menu()->editServerAction()->isEnabled()); // worked out for the selection
        QVERIFY(f.menu()->editServerAction()->isEnabled());
        // At the selected row, wherever the mouse is.
        const QRect row = servers->visualRect(servers->currentIndex());
        QCOMPARE(MenuKey::keyboardPosition(servers),
                 servers->viewport()->mapToGlobal(row.center()));
        f.menu()->close();
        QTest::keyClick(servers, Qt::Key_F10, Qt::ShiftModifier);
        QCOMPARE(QApplication::activePopupWidget(), f.menu());
        f.menu()->close();
        // The platform's own keyboard request (the Menu key on X11) arrives as a context event.
        QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(1, 1));
        QApplication::sendEvent(servers, &request);
        QCOMPARE(QApplication::activePopupWidget(), f.menu());
        f.menu()->close();

        f.window.setProgramLogVisible(true);
        QListView *log = f.window.logPanel()->programLogView();
        QTest::keyClick(log, Qt::Key_Menu);
        auto *logMenu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(logMenu);
        QCOMPARE(itemTexts(logMenu),
                 (QStringList{QStringLiteral("Select all"), QString(), QStringLiteral("Copy"),
                              QString(), QStringLiteral("Delete logfile")}));
        logMenu->close();

        ChatView *chat = f.window.chatPanel()->chatView();
        QTest::keyClick(chat, Qt::Key_Menu);
        auto *chatMenu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        QVERIFY(chatMenu);
        QCOMPARE(itemTexts(chatMenu).constFirst(), QStringLiteral("Select all"));
        chatMenu->close();
    }

    void iconButtonsAreNamed() {
        Fixture f;
        QToolButton *close = f.window.chatPanel()->closeButton();
        QCOMPARE(close->accessibleName(), QStringLiteral("Close chat"));
        QCOMPARE(close->toolTip(), QStringLiteral("Close channel"));
        QToolButton *options = nullptr;
        for (QToolButton *button : f.window.chatPanel()->findChildren<QToolButton *>()) {
            if (button->toolTip() == QLatin1String("Options"))
                options = button;
        }
        QVERIFY(options);
        QCOMPARE(options->accessibleName(), QStringLiteral("Options"));
        QCOMPARE(options->toolTip(), QStringLiteral("Options"));
    }
};

QTEST_MAIN(TestServerDialog)
#include "tst_serverdialog.moc"
