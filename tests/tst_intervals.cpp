#include "app/Intervals.h"

#include <QtTest>

class TestIntervals : public QObject {
    Q_OBJECT
private slots:
    void defaultsAreOperatingValues()
    {
        const Intervals defaults;
        QCOMPARE(defaults.watchdogMs, 15000);
        QCOMPARE(defaults.logSaveMs, 10000);
    }
};

QTEST_GUILESS_MAIN(TestIntervals)
#include "tst_intervals.moc"
