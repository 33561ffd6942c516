#include "ui/Beeper.h"

#include <QApplication>
#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>

#include <cmath>
#include <cstring>

namespace {
constexpr int kSampleRate = 44100;
constexpr double kAmplitude = 0.4; // of full scale: audible, not startling
constexpr int kFadeMs = 5;
// An output that never reports the end of its buffer is stopped this long after the tone.
constexpr int kSinkGraceMs = 500;

template <typename T> void putSample(char *at, T value) {
    std::memcpy(at, &value, sizeof(T));
}
} // namespace

Beeper::Beeper(QObject *parent)
    : QObject(parent) {
    m_guard.setSingleShot(true);
    connect(&m_guard, &QTimer::timeout, this, &Beeper::finish);
}

Beeper::~Beeper() {
    // The sink reads from m_samples, which goes before the children do.
    delete m_sink;
}

void Beeper::beep(int hz, int ms) {
    if (hz <= 0 || ms <= 0)
        return;
    if (isSounding()) {
        m_waitingHz = hz;
        m_waitingMs = ms;
        return;
    }
    start(hz, ms);
}

void Beeper::start(int hz, int ms) {
    if (startSink(hz, ms)) {
        m_guard.start(ms + kSinkGraceMs);
    } else {
        QApplication::beep();
        // The desktop beep has no length of its own: the slot stays taken for the tone's.
        m_guard.start(ms);
    }
    emit toneStarted(hz, ms);
}

bool Beeper::startSink(int hz, int ms) {
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return false;
    QAudioFormat format;
    format.setSampleRate(kSampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        format = device.preferredFormat();
    if (!format.isValid())
        return false;

    m_samples.close();
    m_samples.setData(tone(format, hz, ms));
    m_samples.open(QIODevice::ReadOnly);
    m_sink = new QAudioSink(device, format, this);
    connect(m_sink, &QAudioSink::stateChanged, this, [this](QAudio::State state) {
        if (state == QAudio::IdleState || state == QAudio::StoppedState)
            finish();
    });
    m_sink->start(&m_samples);
    if (m_sink->error() == QAudio::NoError)
        return true;
    m_sink->disconnect(this);
    m_sink->deleteLater();
    m_sink = nullptr;
    return false;
}

void Beeper::finish() {
    m_guard.stop();
    if (m_sink) {
        QAudioSink *sink = m_sink;
        m_sink = nullptr;
        sink->disconnect(this);
        sink->stop();
        // It may be reporting its state change right now: delete it once that returns.
        sink->deleteLater();
    }
    if (m_waitingMs > 0) {
        const int hz = m_waitingHz;
        const int ms = m_waitingMs;
        m_waitingHz = m_waitingMs = 0;
        start(hz, ms);
    }
}

QByteArray Beeper::tone(const QAudioFormat &format, int hz, int ms) {
    const int rate = format.sampleRate();
    const int channels = format.channelCount();
    const int sampleBytes = format.bytesPerSample();
    if (rate <= 0 || channels <= 0 || sampleBytes <= 0 || hz <= 0 || ms <= 0)
        return {};
    const qint64 frames = qint64(rate) * ms / 1000;
    const qint64 fadeFrames = std::min<qint64>(qint64(rate) * kFadeMs / 1000, frames / 2);
    QByteArray data(int(frames * channels * sampleBytes), '\0');
    char *at = data.data();
    const double step = 2.0 * M_PI * hz / rate;
    for (qint64 i = 0; i < frames; ++i) {
        double gain = kAmplitude;
        const qint64 edge = std::min(i, frames - 1 - i);
        if (edge < fadeFrames)
            gain *= double(edge) / double(fadeFrames);
        const double value = gain * std::sin(step * double(i));
        for (int c = 0; c < channels; ++c, at += sampleBytes) {
            switch (format.sampleFormat()) {
            case QAudioFormat::UInt8:
                putSample<quint8>(at, quint8(std::lround(128.0 + value * 127.0)));
                break;
            case QAudioFormat::Int16:
                putSample<qint16>(at, qint16(std::lround(value * 32767.0)));
                break;
            case QAudioFormat::Int32:
                putSample<qint32>(at, qint32(std::lround(value * 2147483647.0)));
                break;
            case QAudioFormat::Float:
                putSample<float>(at, float(value));
                break;
            default:
                break;
            }
        }
    }
    return data;
}
