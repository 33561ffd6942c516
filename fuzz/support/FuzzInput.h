#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QCoreApplication>
#include <QDir>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Takes a fuzzer's bytes apart: small numbers from the front, pieces of the rest.
class FuzzInput final {
public:
    FuzzInput(const uint8_t *data, size_t size)
        : m_data(reinterpret_cast<const char *>(data))
        , m_size(qsizetype(size)) {}

    bool atEnd() const { return m_pos >= m_size; }
    qsizetype remaining() const { return m_size - m_pos; }

    // One byte, 0 when none is left.
    uint8_t byte() { return atEnd() ? 0 : uint8_t(m_data[m_pos++]); }
    // A number in [low, high] from one or two bytes.
    int number(int low, int high) {
        const unsigned span = unsigned(high - low) + 1;
        unsigned value = byte();
        if (span > 256)
            value = (value << 8) | byte();
        return low + int(value % span);
    }
    // Up to `length` bytes.
    QByteArray bytes(qsizetype length) {
        length = qBound<qsizetype>(0, length, remaining());
        const QByteArray out(m_data + m_pos, length);
        m_pos += length;
        return out;
    }
    QByteArray rest() { return bytes(remaining()); }
    // Bytes up to the next `separator` (dropped) or the end.
    QByteArray piece(char separator) {
        const QByteArrayView view(m_data + m_pos, remaining());
        const qsizetype at = view.indexOf(separator);
        const QByteArray out = bytes(at < 0 ? remaining() : at);
        if (at >= 0)
            ++m_pos;
        return out;
    }

private:
    const char *m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
};

// Stops the run with a report when an expectation of a target does not hold.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: expectation failed: %s\n", __FILE__, __LINE__,            \
                         #condition);                                                              \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// A scratch file for readers that take a file name, in the temporary folder (scripts/fuzz.sh
// points TMPDIR into memory and removes it afterwards).
inline QString fuzzScratchFile(const char *name) {
    static const QString folder = [] {
        const QString dir = QDir::tempPath() +
                            QStringLiteral("/kvd-fuzz-%1").arg(QCoreApplication::applicationPid());
        QDir().mkpath(dir);
        return dir;
    }();
    return folder + QLatin1Char('/') + QLatin1String(name);
}
