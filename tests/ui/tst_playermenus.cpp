// The player menus on the player list and on the chat's "Player online" list: the profile page,
// a kick without a question and a ban only after Yes, reaching a simulated game server; the chat's
// list acts only on a player it finds exactly once on the chat's server. A player of the newer
// edition is kicked by the whole EOS id and has no Steam profile; names show as text in boxes.
#include "base/Intervals.h"
#include "chat/ChatSession.h"
#include "commands/CommandSender.h"
#include "console/Console.h"
#include "console/ServerEditor.h"
#include "monitor/PlayerListModel.h"
#include "monitor/PollCycle.h"
#include "ui/ChatPanel.h"
#include "ui/MainWindow.h"
#include "ui/MessageBoxes.h"
#include "ui/PlayerMenu.h"
#include "ui/UrlOpener.h"

#include "ConsoleFixture.h"
#include "ModalDialogs.h"
#include "SimServer.h"
#include "TestWait.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>
#include <QTreeWidget>
#include <QtTest>

namespace {

constexpr int kWait = 15000;
const QString kNoBox = QStringLiteral("(no box)");
const QString kAnnaOne = QStringLiteral("76561198000000011");
const QString kAnnaTwo = QStringLiteral("76561198000000012");
const QString kBert = QStringLiteral("76561198000000013");
const QString kBertOnReef = QStringLiteral("76561198000000021");
// A player of the newer edition, listed by an EOS id.
const QString kDora = QStringLiteral("0002a1b2c3d4e5f60718293a4b5c6d7e");
// A name that, read as markup, rewrote the ban question and hid the real server.
const QString kTrickName = QStringLiteral("Bob<br>Ban player  Bob  on server  Beta ?<!--");

void resetBoxes() {
    MessageBoxes::setNextAnswer(QMessageBox::Ok);
    MessageBoxes::inform(nullptr, kNoBox);
}

// Two simulated servers seen by the real poll cycle: on Island two players named Anna and one
// Bert, on Reef another Bert.
struct Fixture : ConsoleFixture {
    MainWindow window{console.get()};
    SimServer *island = nullptr;
    SimServer *reef = nullptr;

    Fixture() {
        window.show();
        window.runStartUp();
        island = sim(QStringLiteral("Island"));
        island->addPlayer(QStringLiteral("Anna"), kAnnaOne);
        island->addPlayer(QStringLiteral("Anna"), kAnnaTwo);
        island->addPlayer(QStringLiteral("Bert"), kBert);
        reef = sim(QStringLiteral("Reef"));
        reef->addPlayer(QStringLiteral("Bert"), kBertOnReef);
        resetBoxes();
    }
    ~Fixture() {
        console->pollCycle()->stop();
        console->chat()->chataus();
        if (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
    }

    SimServer *sim(const QString &name) {
        SimServer *server = startSim(name, QStringLiteral("pw"));
        console->serverEditor()->add(
            {name, server->host(), server->portText(), QStringLiteral("pw")});
        return server;
    }
    bool playersListed(int count = 4) const {
        return waitUntil([this, count] { return console->playerList()->rowCount() == count; },
                         kWait);
    }
    QTreeView *players() const { return window.playerView(); }
    QTreeWidget *chatPlayers() const { return window.chatPanel()->playersOnline(); }
    void selectPlayer(const QString &steamId) const {
        const QAbstractItemModel *model = players()->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->index(row, PlayerListModel::SteamIdColumn).data() == steamId)
                players()->setCurrentIndex(model->index(row, 0));
        }
    }
    // The commands a server received, leaving out those of the poll cycle and the chat.
    static QStringList commandsOf(const SimServer *server) {
        QStringList commands = server->commands();
        for (const char *routine : {"listplayers", "GetGameLog", "Getchat"})
            commands.removeAll(QLatin1String(routine));
        return commands;
    }
    bool nothingSent() const {
        return !console->commands()->isBusy() && console->commands()->waitingCount() == 0;
    }
};

} // namespace

class TestPlayerMenus : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Intervals &intervals = Intervals::instance();
        intervals.visitStartFirstPassMs = 10;
        intervals.visitStartMs = 30;
        intervals.watchdogMs = 1500;
        intervals.commandConnectTimeoutMs = 2000;
        intervals.commandAnswerTimeoutMs = 2000;
    }

    void menusOfferTheirItemsOnlyForASelectedPlayer() {
        Fixture f;
        QVERIFY(f.playersListed());
        for (PlayerMenu *menu : {f.window.playerMenu(), f.window.chatPlayerMenu()}) {
            const QList<QAction *> items = menu->actions();
            QCOMPARE(items.size(), 3);
            QCOMPARE(items.at(0)->text(), QStringLiteral("Steamprofile"));
            QCOMPARE(items.at(1)->text(), QStringLiteral("Kick"));
            QCOMPARE(items.at(2)->text(), QStringLiteral("Ban"));
            menu->updateEnabling();
            for (QAction *item : items)
                QVERIFY2(!item->isEnabled(), qPrintable(item->text()));
        }

        f.players()->setFocus();
        f.selectPlayer(kBert);
        QTest::keyClick(f.players(), Qt::Key_Menu);
        QTRY_COMPARE(QApplication::activePopupWidget(),
                     static_cast<QWidget *>(f.window.playerMenu()));
        for (QAction *item : f.window.playerMenu()->actions())
            QVERIFY2(item->isEnabled(), qPrintable(item->text()));
        f.window.playerMenu()->close();

        f.console->chat()->Chat1Click(QStringLiteral("Island"));
        QTRY_COMPARE_WITH_TIMEOUT(f.chatPlayers()->topLevelItemCount(), 3, kWait);
        f.chatPlayers()->setFocus();
        f.chatPlayers()->setCurrentItem(f.chatPlayers()->topLevelItem(2));
        QTest::keyClick(f.chatPlayers(), Qt::Key_Menu);
        QTRY_COMPARE(QApplication::activePopupWidget(),
                     static_cast<QWidget *>(f.window.chatPlayerMenu()));
        for (QAction *item : f.window.chatPlayerMenu()->actions())
            QVERIFY2(item->isEnabled(), qPrintable(item->text()));
        f.window.chatPlayerMenu()->close();
    }

    void steamProfileOpensThePlayersCommunityPage() {
        Fixture f;
        QVERIFY(f.playersListed());
        f.selectPlayer(kAnnaTwo);
        UrlOpener::setNextAnswer(true);
        f.window.playerMenu()->profileAction()->trigger();
        QCOMPARE(UrlOpener::lastUrl(),
                 QUrl(QStringLiteral("https://steamcommunity.com/profiles/76561198000000012")));
    }

    void kickGoesOutWithoutAQuestion() {
        Fixture f;
        QVERIFY(f.playersListed());
        f.selectPlayer(kBert);
        f.window.playerMenu()->kickAction()->trigger();
        QCOMPARE(MessageBoxes::lastText(), kNoBox);
        QTRY_COMPARE_WITH_TIMEOUT(Fixture::commandsOf(f.island),
                                  QStringList{QStringLiteral("KickPlayer ") + kBert}, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(
            f.messages().contains(QStringLiteral("Command successfully: KickPlayer ") + kBert +
                                  QStringLiteral(" (Bert) @ Island")),
            kWait);
        QVERIFY(Fixture::commandsOf(f.reef).isEmpty());
    }

    void banGoesOutOnlyAfterYes() {
        Fixture f;
        QVERIFY(f.playersListed());
        f.selectPlayer(kAnnaOne);
        MessageBoxes::setNextAnswer(QMessageBox::No);
        f.window.playerMenu()->banAction()->trigger();
        QCOMPARE(MessageBoxes::lastText(),
                 QStringLiteral("Ban player  `Anna´  on server  `Island´ ?"));
        QVERIFY(f.nothingSent());

        MessageBoxes::setNextAnswer(QMessageBox::Yes);
        f.window.playerMenu()->banAction()->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(f.island->bannedIds(), QStringList{kAnnaOne}, kWait);
        QCOMPARE(Fixture::commandsOf(f.island),
                 QStringList{QStringLiteral("BanPlayer ") + kAnnaOne});
        QTRY_VERIFY_WITH_TIMEOUT(
            f.messages().contains(QStringLiteral("Command successfully: BanPlayer ") + kAnnaOne +
                                  QStringLiteral(" (Anna) @ Island")),
            kWait);
    }

    void eosPlayerIsKickedByTheWholeIdAndHasNoSteamProfile() {
        Fixture f;
        f.reef->addPlayer(QStringLiteral("Dora"), kDora);
        QVERIFY(f.playersListed(5));
        f.selectPlayer(kDora);
        PlayerMenu *menu = f.window.playerMenu();
        menu->updateEnabling();
        QVERIFY(!menu->profileAction()->isEnabled());
        QVERIFY(menu->kickAction()->isEnabled());
        QVERIFY(menu->banAction()->isEnabled());
        const QUrl before = UrlOpener::lastUrl();
        menu->profileAction()->trigger();
        QCOMPARE(UrlOpener::lastUrl(), before);

        menu->kickAction()->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(Fixture::commandsOf(f.reef),
                                  QStringList{QStringLiteral("KickPlayer ") + kDora}, kWait);
        QTRY_VERIFY_WITH_TIMEOUT(
            f.messages().contains(QStringLiteral("Command successfully: KickPlayer ") + kDora +
                                  QStringLiteral(" (Dora) @ Reef")),
            kWait);
        QCOMPARE(f.reef->players().size(), 1); // Bert stays, Dora was found by her id
        QVERIFY(f.playersListed(4));

        // On the chat's list too, a player known by an EOS id has no profile to open.
        f.reef->addPlayer(QStringLiteral("Dora"), kDora);
        QVERIFY(f.playersListed(5));
        f.console->chat()->Chat1Click(QStringLiteral("Reef"));
        QTRY_COMPARE_WITH_TIMEOUT(f.chatPlayers()->topLevelItemCount(), 2, kWait);
        QCOMPARE(f.chatPlayers()->topLevelItem(1)->text(0), QStringLiteral("Dora"));
        f.chatPlayers()->setCurrentItem(f.chatPlayers()->topLevelItem(1));
        f.window.chatPlayerMenu()->updateEnabling();
        QVERIFY(!f.window.chatPlayerMenu()->profileAction()->isEnabled());
        QVERIFY(f.window.chatPlayerMenu()->banAction()->isEnabled());
        f.chatPlayers()->setCurrentItem(f.chatPlayers()->topLevelItem(0));
        f.window.chatPlayerMenu()->updateEnabling();
        QVERIFY(f.window.chatPlayerMenu()->profileAction()->isEnabled());
    }

    void aPlayersNameInTheBanQuestionIsText() {
        Fixture f;
        f.reef->addPlayer(kTrickName, kDora);
        QVERIFY(f.playersListed(5));
        f.selectPlayer(kDora);
        QString shown;
        Qt::TextFormat format = Qt::AutoText;
        ModalStep<QMessageBox> answer([&](QMessageBox *box) {
            shown = box->text();
            if (auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label")))
                format = label->textFormat();
            box->button(QMessageBox::No)->click();
        });
        f.window.playerMenu()->banAction()->trigger();
        QVERIFY(answer.ran());
        QCOMPARE(shown, QStringLiteral("Ban player  `") + kTrickName +
                            QStringLiteral("\u00b4  on server  `Reef\u00b4 ?"));
        QCOMPARE(format, Qt::PlainText);
        QVERIFY(f.nothingSent());
    }

    // Every box and input box shows its texts as they are, a detail below the text included.
    void boxesShowNamesAsText() {
        const auto formats = [](QWidget *box) {
            QList<Qt::TextFormat> found;
            for (const QLabel *label : box->findChildren<QLabel *>()) {
                if (!label->text().isEmpty())
                    found << label->textFormat();
            }
            return found;
        };
        QList<Qt::TextFormat> shown;
        {
            ModalStep<QMessageBox> close([&](QMessageBox *box) {
                shown = formats(box);
                box->button(QMessageBox::Ok)->click();
            });
            MessageBoxes::warn(nullptr,
                               QStringLiteral("The script `<b>x</b>\u00b4 could not be "
                                              "copied."),
                               QStringLiteral("<i>") + kTrickName);
            QVERIFY(close.ran());
        }
        QCOMPARE(shown, (QList<Qt::TextFormat>{Qt::PlainText, Qt::PlainText}));
        {
            ModalStep<QInputDialog> cancel([&](QInputDialog *box) {
                shown = formats(box);
                box->reject();
            });
            QString typed;
            QVERIFY(!MessageBoxes::ask(nullptr, QStringLiteral("Unban Player @  `") + kTrickName,
                                       QStringLiteral("<b>prompt</b>"), &typed));
            QVERIFY(cancel.ran());
        }
        QCOMPARE(shown, QList<Qt::TextFormat>{Qt::PlainText});
    }

    void chatPlayerMenuActsOnlyOnAPlayerFoundOnceOnTheChatServer() {
        Fixture f;
        QVERIFY(f.playersListed());
        f.console->chat()->Chat1Click(QStringLiteral("Island"));
        QTRY_COMPARE_WITH_TIMEOUT(f.chatPlayers()->topLevelItemCount(), 3, kWait);
        QCOMPARE(f.chatPlayers()->topLevelItem(0)->text(0), QStringLiteral("Anna"));
        PlayerMenu *menu = f.window.chatPlayerMenu();

        // Two players called Anna: no action guesses which one is meant.
        f.chatPlayers()->setCurrentItem(f.chatPlayers()->topLevelItem(0));
        const QUrl before = UrlOpener::lastUrl();
        for (QAction *action : menu->actions()) {
            resetBoxes();
            MessageBoxes::setNextAnswer(QMessageBox::Yes);
            action->trigger();
            QCOMPARE(MessageBoxes::lastText(),
                     QStringLiteral("Several players found, please use playerlist!"));
        }
        QCOMPARE(UrlOpener::lastUrl(), before);
        QVERIFY(f.nothingSent());

        // One Bert on the chat's server, whatever other Berts play elsewhere.
        f.chatPlayers()->setCurrentItem(f.chatPlayers()->topLevelItem(2));
        QCOMPARE(f.chatPlayers()->currentItem()->text(0), QStringLiteral("Bert"));
        UrlOpener::setNextAnswer(true);
        menu->profileAction()->trigger();
        QCOMPARE(UrlOpener::lastUrl(), PlayerMenu::profileUrl(kBert));
        resetBoxes();
        menu->kickAction()->trigger();
        QCOMPARE(MessageBoxes::lastText(), kNoBox);
        QTRY_COMPARE_WITH_TIMEOUT(Fixture::commandsOf(f.island),
                                  QStringList{QStringLiteral("KickPlayer ") + kBert}, kWait);
        QVERIFY(Fixture::commandsOf(f.reef).isEmpty());
    }
};

QTEST_MAIN(TestPlayerMenus)
#include "tst_playermenus.moc"
