#pragma once

#include <QBuffer>
#include <QObject>
#include <QTimer>

class QAudioFormat;
class QAudioSink;

// A short tone of a given pitch and length: a generated sine wave on the default audio output,
// or the desktop's beep where there is no output. It never blocks the caller. One tone sounds at
// a time; while it does, only the newest request waits, so a burst of requests cannot pile up.
class Beeper final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Beeper)

public:
    explicit Beeper(QObject *parent = nullptr);
    ~Beeper() override;

    void beep(int hz, int ms);

    bool isSounding() const { return m_guard.isActive(); }
    bool hasWaiting() const { return m_waitingMs > 0; }

    // `ms` of a sine at `hz` in `format` (any channel count; 8, 16, 32-bit or float samples),
    // faded in and out over a few milliseconds so it starts and ends without a click.
    static QByteArray tone(const QAudioFormat &format, int hz, int ms);

signals:
    // A tone started, through the audio output or as the desktop beep.
    void toneStarted(int hz, int ms);

private:
    void start(int hz, int ms);
    bool startSink(int hz, int ms);
    void finish();

    QAudioSink *m_sink = nullptr;
    QBuffer m_samples;
    QTimer m_guard; // runs while a tone sounds; ends a tone whose output never reports its end
    int m_waitingHz = 0;
    int m_waitingMs = 0;
};
