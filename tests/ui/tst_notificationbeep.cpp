#include "ui/Beeper.h"

#include <QAudioFormat>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <cstring>

namespace {
// Channel 0 of every frame as a value in -1 .. 1.
QList<double> channelZero(const QAudioFormat &format, const QByteArray &data) {
    QList<double> values;
    const int frameBytes = format.bytesPerFrame();
    for (int at = 0; at + frameBytes <= data.size(); at += frameBytes) {
        const char *sample = data.constData() + at;
        switch (format.sampleFormat()) {
        case QAudioFormat::UInt8:
            values.append((quint8(*sample) - 128.0) / 127.0);
            break;
        case QAudioFormat::Int16: {
            qint16 v;
            std::memcpy(&v, sample, sizeof v);
            values.append(v / 32767.0);
            break;
        }
        case QAudioFormat::Int32: {
            qint32 v;
            std::memcpy(&v, sample, sizeof v);
            values.append(v / 2147483647.0);
            break;
        }
        case QAudioFormat::Float: {
            float v;
            std::memcpy(&v, sample, sizeof v);
            values.append(v);
            break;
        }
        default:
            break;
        }
    }
    return values;
}
} // namespace

class TestNotificationBeep : public QObject {
    Q_OBJECT

private slots:
    void toneHasTheAskedPitchAndLength_data() {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<QAudioFormat::SampleFormat>("sampleFormat");
        QTest::addColumn<int>("hz");
        QTest::newRow("rise, 16-bit mono") << 44100 << 1 << QAudioFormat::Int16 << 400;
        QTest::newRow("fall, float stereo") << 48000 << 2 << QAudioFormat::Float << 200;
        QTest::newRow("rise, 8-bit mono") << 8000 << 1 << QAudioFormat::UInt8 << 400;
        QTest::newRow("fall, 32-bit stereo") << 22050 << 2 << QAudioFormat::Int32 << 200;
    }

    void toneHasTheAskedPitchAndLength() {
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(QAudioFormat::SampleFormat, sampleFormat);
        QFETCH(int, hz);
        QAudioFormat format;
        format.setSampleRate(rate);
        format.setChannelCount(channels);
        format.setSampleFormat(sampleFormat);

        const QByteArray data = Beeper::tone(format, hz, 150);
        QCOMPARE(data.size(), qsizetype(rate * 150 / 1000) * format.bytesPerFrame());

        const QList<double> values = channelZero(format, data);
        int crossings = 0;
        double peak = 0;
        for (qsizetype i = 1; i < values.size(); ++i) {
            if ((values.at(i - 1) < 0) != (values.at(i) < 0))
                ++crossings;
            peak = std::max(peak, std::abs(values.at(i)));
        }
        // Two zero crossings per period: 150 ms at 400 Hz is 60 periods.
        const int expected = 2 * hz * 150 / 1000;
        QVERIFY2(std::abs(crossings - expected) <= 2, qPrintable(QString::number(crossings)));
        QVERIFY(peak > 0.2 && peak < 0.9);
        // Faded in and out: no click at either end.
        QVERIFY(std::abs(values.first()) < 0.02);
        QVERIFY(std::abs(values.last()) < 0.02);
        // Every channel carries the same tone.
        if (channels == 2) {
            QCOMPARE(data.mid(format.bytesPerFrame() * 100 + format.bytesPerSample(),
                              format.bytesPerSample()),
                     data.mid(format.bytesPerFrame() * 100, format.bytesPerSample()));
        }
    }

    void burstOfBeepsKeepsOnlyTheNewestWaiting() {
        Beeper beeper;
        QSignalSpy tones(&beeper, &Beeper::toneStarted);
        beeper.beep(400, 40);
        QVERIFY(beeper.isSounding());
        for (int i = 0; i < 20; ++i)
            beeper.beep(i % 2 ? 400 : 300, 40);
        beeper.beep(200, 40);
        QCOMPARE(tones.size(), 1);
        QVERIFY(beeper.hasWaiting());

        QTRY_VERIFY(!beeper.isSounding());
        QCOMPARE(tones.size(), 2);
        QCOMPARE(tones.at(1).at(0).toInt(), 200);
        QVERIFY(!beeper.hasWaiting());
    }

    void silentRequestsSoundNothing_data() {
        QTest::addColumn<int>("hz");
        QTest::addColumn<int>("ms");
        QTest::newRow("no pitch") << 0 << 150;
        QTest::newRow("no length") << 400 << 0;
        QTest::newRow("negative") << -400 << -1;
    }

    void silentRequestsSoundNothing() {
        QFETCH(int, hz);
        QFETCH(int, ms);
        Beeper beeper;
        QSignalSpy tones(&beeper, &Beeper::toneStarted);
        beeper.beep(hz, ms);
        QCOMPARE(tones.size(), 0);
        QVERIFY(!beeper.isSounding());
    }
};

QTEST_MAIN(TestNotificationBeep)
#include "tst_notificationbeep.moc"
