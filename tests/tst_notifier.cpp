#include "base/ProgramState.h"
#include "notify/Notifier.h"

#include <QSignalSpy>
#include <QtTest>

class TestNotifier : public QObject {
    Q_OBJECT

private:
    struct Fixture {
        explicit Fixture(int cinfo) {
            ProgramOptions options;
            options.notification = static_cast<NotificationKind>(cinfo);
            state.setOptions(options);
            state.setFirstPass(false);
        }
        ProgramState state;
        Notifier notifier{&state};
        QSignalSpy popups{&notifier, &Notifier::popupRequested};
        QSignalSpy balloons{&notifier, &Notifier::balloonRequested};
        QSignalSpy beeps{&notifier, &Notifier::beepRequested};
        int alerts() const { return int(popups.size() + balloons.size() + beeps.size()); }
    };

private slots:
    void notificationKindChoosesTheAlert_data() {
        QTest::addColumn<int>("cinfo");
        QTest::addColumn<bool>("popup");
        QTest::addColumn<bool>("balloon");
        QTest::addColumn<bool>("beep");
        QTest::newRow("0 None") << 0 << false << false << false;
        QTest::newRow("1 Beep") << 1 << false << false << true;
        QTest::newRow("2 Notification") << 2 << true << false << false;
        QTest::newRow("3 Notification + Beep") << 3 << true << false << true;
        QTest::newRow("4 Win Infocenter") << 4 << false << true << false;
        QTest::newRow("5 unknown value") << 5 << false << false << false;
        QTest::newRow("-1 unknown value") << -1 << false << false << false;
    }

    void notificationKindChoosesTheAlert() {
        QFETCH(int, cinfo);
        QFETCH(bool, popup);
        QFETCH(bool, balloon);
        QFETCH(bool, beep);
        Fixture f(cinfo);
        const QString text = QStringLiteral("`Anna´ joined @ `Island´");

        f.notifier.playerinfo(text);
        f.notifier.playerCountChanged(2, 3);

        QCOMPARE(f.popups.size(), popup ? 1 : 0);
        if (popup)
            QCOMPARE(f.popups.at(0).at(0).toString(), text);
        QCOMPARE(f.balloons.size(), balloon ? 1 : 0);
        if (balloon) {
            QCOMPARE(f.balloons.at(0).at(0).toString(), QStringLiteral("Corvid RCON Admin"));
            QCOMPARE(f.balloons.at(0).at(1).toString(), text);
        }
        QCOMPARE(f.beeps.size(), beep ? 1 : 0);
    }

    void countChangeBeep_data() {
        QTest::addColumn<int>("previous");
        QTest::addColumn<int>("current");
        QTest::addColumn<bool>("playerSetChanged");
        QTest::addColumn<int>("hz"); // 0: no beep
        QTest::newRow("first player") << 0 << 1 << true << 400;
        QTest::newRow("two joined between rebuilds: one beep") << 2 << 4 << true << 400;
        QTest::newRow("one left") << 3 << 2 << true << 200;
        QTest::newRow("last player left") << 1 << 0 << true << 200;
        QTest::newRow("a move keeps the count") << 3 << 3 << true << 0;
        QTest::newRow("failed visit or deleted server") << 3 << 1 << false << 0;
    }

    void countChangeBeep() {
        QFETCH(int, previous);
        QFETCH(int, current);
        QFETCH(bool, playerSetChanged);
        QFETCH(int, hz);
        for (int cinfo : {1, 3}) {
            Fixture f(cinfo);
            f.notifier.playerCountChanged(previous, current, playerSetChanged);
            QCOMPARE(f.beeps.size(), hz ? 1 : 0);
            if (hz) {
                QCOMPARE(f.beeps.at(0).at(0).toInt(), hz);
                QCOMPARE(f.beeps.at(0).at(1).toInt(), 150);
            }
        }
    }

    void firstPassIsQuiet() {
        for (int cinfo : {1, 2, 3, 4}) {
            Fixture f(cinfo);
            f.state.setFirstPass(true);

            f.notifier.playerinfo(QStringLiteral("Serverstatus (Island):  Online"));
            f.notifier.playerCountChanged(0, 12);
            QCOMPARE(f.alerts(), 0);

            // The flag is read when the event comes.
            f.state.setFirstPass(false);
            f.notifier.playerinfo(QStringLiteral("`Anna´ has left `Island´"));
            f.notifier.playerCountChanged(12, 11);
            QCOMPARE(f.alerts(), cinfo == 3 ? 2 : 1);
        }
    }

    void settingChangedInTheOptionsAppliesAtOnce() {
        Fixture f(0);
        f.notifier.playerinfo(QStringLiteral("x"));
        ProgramOptions options;
        options.notification = NotificationKind::Popup;
        f.state.setOptions(options);
        f.notifier.playerinfo(QStringLiteral("y"));
        QCOMPARE(f.popups.size(), 1);
        QCOMPARE(f.popups.at(0).at(0).toString(), QStringLiteral("y"));
    }
};

QTEST_GUILESS_MAIN(TestNotifier)
#include "tst_notifier.moc"
