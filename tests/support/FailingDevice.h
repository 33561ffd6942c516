#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QSaveFile>
#include <QString>

#include <algorithm>

// A device that takes the first `capacity` bytes written to it and then fails with `reason`, the
// way a disk that fills up mid-write does. Opened for writing on construction.
class FailingDevice final : public QIODevice {
public:
    FailingDevice(qint64 capacity, const QString &reason)
        : m_capacity(capacity)
        , m_reason(reason) {
        open(QIODevice::WriteOnly);
    }

    QByteArray accepted() const { return m_accepted; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 length) override {
        const qint64 room = m_capacity - m_accepted.size();
        if (room <= 0) {
            setErrorString(m_reason);
            return -1;
        }
        const qint64 taken = std::min(room, length);
        m_accepted.append(data, taken);
        return taken;
    }

private:
    qint64 m_capacity;
    QString m_reason;
    QByteArray m_accepted;
};

// The same failure on a real save: the first `capacity` bytes reach the temporary file, the rest
// fail with `reason`.
class FailingSaveFile final : public QSaveFile {
public:
    FailingSaveFile(const QString &fileName, qint64 capacity, const QString &reason)
        : QSaveFile(fileName)
        , m_room(capacity)
        , m_reason(reason) {}

protected:
    qint64 writeData(const char *data, qint64 length) override {
        if (m_room <= 0) {
            setErrorString(m_reason);
            return -1;
        }
        const qint64 written = QSaveFile::writeData(data, std::min(m_room, length));
        if (written > 0)
            m_room -= written;
        return written;
    }

private:
    qint64 m_room;
    QString m_reason;
};
