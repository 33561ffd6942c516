// The options dialog: its three tabs, opened on the tab asked for, and "Close".
#include "console/Console.h"
#include "ui/OptionsDialog.h"

#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class TestOptionsDialog : public QObject {
    Q_OBJECT

private slots:
    void opensOnTheTabAskedForAndCloses_data() {
        QTest::addColumn<int>("tab");
        QTest::newRow("options") << int(OptionsDialog::Tab::Options);
        QTest::newRow("scripts") << int(OptionsDialog::Tab::Scripts);
        QTest::newRow("about") << int(OptionsDialog::Tab::About);
    }

    void opensOnTheTabAskedForAndCloses() {
        QFETCH(int, tab);
        QTemporaryDir dir;
        Console console(dir.path());
        console.start();
        OptionsDialog dialog(&console);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Options"));
        QCOMPARE(dialog.tabs()->count(), 3);
        QCOMPARE(dialog.tabs()->tabText(0), QStringLiteral(" Options "));
        QCOMPARE(dialog.tabs()->tabText(1), QStringLiteral(" Scripts "));
        QCOMPARE(dialog.tabs()->tabText(2), QStringLiteral("About"));

        int shown = -1;
        bool closeHadFocus = false;
        QTimer::singleShot(0, &dialog, [&] {
            shown = dialog.tabs()->currentIndex();
            closeHadFocus = dialog.closeButton()->hasFocus() || !dialog.isActiveWindow();
            QTest::mouseClick(dialog.closeButton(), Qt::LeftButton);
        });
        dialog.openOn(OptionsDialog::Tab(tab));
        QCOMPARE(shown, tab);
        QVERIFY(closeHadFocus);
        QVERIFY(!dialog.isVisible());
        console.shutDown();
    }
};

QTEST_MAIN(TestOptionsDialog)
#include "tst_optionsdialog.moc"
