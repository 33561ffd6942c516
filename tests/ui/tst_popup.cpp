#include "base/Intervals.h"
#include "base/ProgramState.h"
#include "notify/Notifier.h"
#include "ui/Beeper.h"
#include "ui/NotificationPresenter.h"
#include "ui/PopupWindow.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QScopeGuard>
#include <QScreen>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QtTest>

namespace {
using Phase = PopupWindow::Phase;

// Every top edge the pop-up takes with its phase and whether its text showed; its phases as they
// came, with the top and the text's visibility at each change.
class MoveRecorder final : public QObject {
public:
    struct Step {
        int top;
        bool text;
        Phase phase;
    };

    explicit MoveRecorder(PopupWindow *popup)
        : m_popup(popup) {
        popup->installEventFilter(this);
        connect(popup, &PopupWindow::phaseChanged, this, [this](Phase) { phases.append(now()); });
    }
    QList<Step> moves;
    QList<Step> phases;

    QList<Phase> phaseOrder() const {
        QList<Phase> order;
        for (const Step &step : phases)
            order.append(step.phase);
        return order;
    }
    QList<int> topsIn(Phase phase) const {
        QList<int> tops;
        for (const Step &step : moves) {
            if (step.phase == phase)
                tops.append(step.top);
        }
        return tops;
    }
    bool textShownWhileMoving() const {
        return std::any_of(moves.begin(), moves.end(), [](const Step &s) { return s.text; });
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched == m_popup && event->type() == QEvent::Move)
            moves.append(now());
        return false;
    }

private:
    Step now() const { return {m_popup->y(), m_popup->isTextVisible(), m_popup->phase()}; }

    PopupWindow *m_popup;
};

int screenBottom() {
    const QRect area = QGuiApplication::primaryScreen()->geometry();
    return area.y() + area.height();
}

QList<int> steps(const QList<int> &tops) {
    QList<int> result;
    for (qsizetype i = 1; i < tops.size(); ++i)
        result.append(tops.at(i) - tops.at(i - 1));
    return result;
}
} // namespace

class TestPopup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        Intervals &intervals = Intervals::instance();
        intervals.popupSlideInMs = 2;
        intervals.popupShowMs = 150;
        intervals.popupSlideOutMs = 2;
        intervals.trayHideMs = 100;
    }

    void sizeFollowsThePrimaryScreen_data() {
        QTest::addColumn<int>("screenWidth");
        QTest::addColumn<QSize>("size");
        QTest::newRow("1920") << 1920 << QSize(427, 47);
        QTest::newRow("1280") << 1280 << QSize(284, 32);
        QTest::newRow("1024") << 1024 << QSize(228, 25);
        QTest::newRow("800") << 800 << QSize(178, 20);
    }

    void sizeFollowsThePrimaryScreen() {
        QFETCH(int, screenWidth);
        QFETCH(QSize, size);
        QCOMPARE(PopupWindow::sizeForScreenWidth(screenWidth), size);
    }

    void panelIsDarkGreyBetweenGoldEdges() {
        PopupWindow popup;
        popup.resize(PopupWindow::sizeForScreenWidth(1920));
        const QImage picture = popup.grab().toImage();
        const int middle = picture.height() / 2;
        QCOMPARE(picture.pixelColor(2, middle), QColor(51, 51, 51));
        QCOMPARE(picture.pixelColor(2, 0), QColor(QLatin1String("#d4a93c")));
        QCOMPARE(picture.pixelColor(2, picture.height() - 1), QColor(QLatin1String("#d4a93c")));
    }

    void fontShrinksWithTheTextAndStopsAt22_data() {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("points");
        QTest::newRow("40 characters") << 427 << 40 << 14;
        QTest::newRow("100 characters") << 427 << 100 << 6;
        QTest::newRow("10 characters capped") << 427 << 10 << 22;
        QTest::newRow("one character") << 427 << 1 << 22;
        QTest::newRow("empty text") << 427 << 0 << 22;
        QTest::newRow("half goes to the even size") << 45 << 23 << 2;
    }

    void fontShrinksWithTheTextAndStopsAt22() {
        QFETCH(int, width);
        QFETCH(int, length);
        QFETCH(int, points);
        QCOMPARE(PopupWindow::pointSizeFor(width, length), points);
    }

    void slidesInShowsItsTextAndSlidesOut() {
        PopupWindow popup;
        MoveRecorder moves(&popup);
        const QString text = QStringLiteral("`Anna´ joined @ `The Island´");
        popup.showNotification(text);

        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QSize size = PopupWindow::sizeForScreenWidth(screen.width());
        const int start = screenBottom() + 20;
        QCOMPARE(popup.size(), size);
        QCOMPARE(popup.x(), screen.x() + screen.width() - size.width());
        QCOMPARE(popup.y(), start);
        QCOMPARE(popup.text(), text);
        QCOMPARE(popup.pointSize(), PopupWindow::pointSizeFor(size.width(), int(text.size())));
        QVERIFY(popup.isVisible());
        QVERIFY(!popup.isTextVisible());

        QTRY_COMPARE(popup.phase(), Phase::Idle);
        QCOMPARE(moves.phaseOrder(),
                 (QList<Phase>{Phase::SlidingIn, Phase::Showing, Phase::SlidingOut, Phase::Idle}));
        // Up in 25 px steps with the text hidden, until the top is three heights up.
        const QList<int> up = QList<int>{start} + moves.topsIn(Phase::SlidingIn);
        QCOMPARE(steps(up), QList<int>(up.size() - 1, -25));
        const int target = screenBottom() - 3 * size.height();
        QVERIFY(up.last() <= target && up.last() > target - 25);
        QCOMPARE(moves.phases.at(1).top, up.last());
        QVERIFY(moves.phases.at(1).text);
        // Down in 24 px steps with the text hidden, until more than 12 px below the screen.
        const QList<int> down = QList<int>{up.last()} + moves.topsIn(Phase::SlidingOut);
        QCOMPARE(steps(down), QList<int>(down.size() - 1, 24));
        QVERIFY(down.last() > screenBottom() + 12 && down.last() <= screenBottom() + 12 + 24);
        QVERIFY(!moves.textShownWhileMoving());
        QVERIFY(!popup.isVisible());
    }

    void showingDoesNotTakeTheFocus() {
        QWidget main;
        main.show();
        main.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&main));
        PopupWindow popup;
        popup.showNotification(QStringLiteral("Serverstatus (Island):  Online"));
        QVERIFY(popup.isVisible());
        QTRY_COMPARE(popup.phase(), Phase::Idle);
        QCOMPARE(QApplication::activeWindow(), &main);
        QVERIFY(popup.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(popup.windowFlags().testFlag(Qt::FramelessWindowHint));
    }

    // A notification that comes while another is on screen drops the old one out of sight in
    // 5 px steps first; one that comes meanwhile replaces the one waiting.
    void nextNotificationWaitsForTheOldOneToLeave_data() {
        QTest::addColumn<Phase>("interruptedIn");
        QTest::addColumn<int>("showMs");
        QTest::addColumn<int>("slideOutMs");
        QTest::newRow("while showing") << Phase::Showing << 60000 << 2;
        QTest::newRow("while sliding out") << Phase::SlidingOut << 1 << 60000;
    }

    void nextNotificationWaitsForTheOldOneToLeave() {
        QFETCH(Phase, interruptedIn);
        QFETCH(int, showMs);
        QFETCH(int, slideOutMs);
        Intervals &intervals = Intervals::instance();
        const Intervals saved = intervals;
        const auto restore = qScopeGuard([&] { intervals = saved; });
        intervals.popupShowMs = showMs;
        intervals.popupSlideOutMs = slideOutMs;
        PopupWindow popup;
        intervals = saved;

        popup.showNotification(QStringLiteral("first"));
        QTRY_COMPARE(popup.phase(), interruptedIn);
        const int from = popup.y();
        QVERIFY(from < screenBottom());

        MoveRecorder moves(&popup);
        popup.showNotification(QStringLiteral("`Bob´ has left `Island´"));
        QCOMPARE(popup.phase(), Phase::Dropping);
        QVERIFY(!popup.isTextVisible());
        popup.showNotification(QStringLiteral("Serverstatus (Island):  Timeout"));
        QCOMPARE(popup.phase(), Phase::Dropping);
        QCOMPARE(popup.pendingText(), QStringLiteral("Serverstatus (Island):  Timeout"));

        QTRY_VERIFY(moves.phaseOrder().contains(Phase::Showing));
        QCOMPARE(moves.phaseOrder().mid(0, 3),
                 (QList<Phase>{Phase::Dropping, Phase::SlidingIn, Phase::Showing}));
        QCOMPARE(popup.text(), QStringLiteral("Serverstatus (Island):  Timeout"));
        QVERIFY(moves.phases.at(2).text);
        // Down in 5 px steps from where it was to 20 px below the screen, then in again.
        const QList<int> drop = QList<int>{from} + moves.topsIn(Phase::Dropping);
        const QList<int> dropSteps = steps(drop);
        QVERIFY(!dropSteps.isEmpty());
        QCOMPARE(dropSteps.mid(0, dropSteps.size() - 1), QList<int>(dropSteps.size() - 1, 5));
        QVERIFY(dropSteps.last() > 0 && dropSteps.last() <= 5);
        QCOMPARE(drop.last(), screenBottom() + 20);
        QCOMPARE(moves.phases.at(1).top, screenBottom() + 20);
        QVERIFY(!moves.textShownWhileMoving());
    }

    void notificationAfterTheLastOneLeftSlidesInAtOnce() {
        PopupWindow popup;
        popup.showNotification(QStringLiteral("first"));
        QTRY_COMPARE(popup.phase(), Phase::Idle);
        popup.showNotification(QStringLiteral("second"));
        QCOMPARE(popup.phase(), Phase::SlidingIn);
        QCOMPARE(popup.y(), screenBottom() + 20);
        QCOMPARE(popup.text(), QStringLiteral("second"));
    }

    void notifierReachesPopupAndBeeper() {
        ProgramState state;
        state.setFirstPass(false);
        ProgramOptions options;
        options.notification = NotificationKind::PopupAndBeep;
        state.setOptions(options);
        Notifier notifier(&state);
        NotificationPresenter presenter(&notifier, nullptr, nullptr);
        QSignalSpy tones(presenter.beeper(), &Beeper::toneStarted);

        notifier.playerinfo(QStringLiteral("`Anna´ has left `Island´"));
        notifier.playerCountChanged(2, 1);
        QCOMPARE(presenter.popup()->phase(), Phase::SlidingIn);
        QCOMPARE(presenter.popup()->text(), QStringLiteral("`Anna´ has left `Island´"));
        QCOMPARE(tones.size(), 1);
        QCOMPARE(tones.at(0).at(0).toInt(), 200);
        QCOMPARE(tones.at(0).at(1).toInt(), 150);
    }

    void balloonWithoutATrayShowsAsThePopup() {
        ProgramState state;
        state.setFirstPass(false);
        ProgramOptions options;
        options.notification = NotificationKind::TrayBalloon;
        state.setOptions(options);
        Notifier notifier(&state);
        NotificationPresenter presenter(&notifier, nullptr, nullptr);
        notifier.playerinfo(QStringLiteral("`Anna´ joined @ `Island´"));
        QCOMPARE(presenter.popup()->phase(), Phase::SlidingIn);
        QCOMPARE(presenter.popup()->text(), QStringLiteral("`Anna´ joined @ `Island´"));
    }

    // Timer6 hides the icon a balloon showed, never the icon that stands for a hidden window.
    void balloonHidesOnlyTheIconItShowed_data() {
        QTest::addColumn<bool>("inTrayBefore");
        QTest::addColumn<bool>("toTrayDuringBalloon");
        QTest::addColumn<bool>("iconAfter");
        QTest::newRow("window shown: icon goes again") << false << false << false;
        QTest::newRow("window in the tray: icon stays") << true << false << true;
        QTest::newRow("window sent to the tray meanwhile: icon stays") << false << true << true;
    }

    void balloonHidesOnlyTheIconItShowed() {
        QFETCH(bool, inTrayBefore);
        QFETCH(bool, toTrayDuringBalloon);
        QFETCH(bool, iconAfter);
        QWidget main;
        QPixmap picture(16, 16);
        picture.fill(Qt::darkYellow);
        QSystemTrayIcon tray{QIcon(picture)};
        if (inTrayBefore) {
            tray.show();
        } else {
            main.show();
        }
        ProgramState state;
        state.setFirstPass(false);
        ProgramOptions options;
        options.notification = NotificationKind::TrayBalloon;
        state.setOptions(options);
        Notifier notifier(&state);
        NotificationPresenter presenter(&notifier, &tray, &main);

        notifier.playerinfo(QStringLiteral("`Anna´ joined @ `Island´"));
        QVERIFY(tray.isVisible());
        QVERIFY(presenter.trayTimeLeftMs() >= 0);
        QCOMPARE(presenter.popup()->phase(), Phase::Idle);
        if (toTrayDuringBalloon)
            main.hide();

        QTRY_COMPARE(presenter.trayTimeLeftMs(), -1);
        QCOMPARE(tray.isVisible(), iconAfter);
    }

    void secondBalloonGetsItsFullTime() {
        QWidget main;
        main.show();
        QPixmap picture(16, 16);
        picture.fill(Qt::darkYellow);
        QSystemTrayIcon tray{QIcon(picture)};
        ProgramState state;
        state.setFirstPass(false);
        ProgramOptions options;
        options.notification = NotificationKind::TrayBalloon;
        state.setOptions(options);
        Notifier notifier(&state);
        NotificationPresenter presenter(&notifier, &tray, &main);
        Intervals::instance().trayHideMs = 2000;
        const auto restore = qScopeGuard([] { Intervals::instance().trayHideMs = 100; });

        notifier.playerinfo(QStringLiteral("first"));
        // Far more than a coarse timer's slack, so the restart shows in the time left.
        QTest::qWait(600);
        const int leftAfterFirst = presenter.trayTimeLeftMs();
        notifier.playerinfo(QStringLiteral("second"));
        QVERIFY(presenter.trayTimeLeftMs() > leftAfterFirst);
    }
};

QTEST_MAIN(TestPopup)
#include "tst_popup.moc"
