#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtTest>

// The whole file, or nothing when it cannot be opened.
inline QByteArray readBytes(const QString &fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

// Fails the running test when the file cannot be written in full.
inline void writeBytes(const QString &fileName, const QByteArray &bytes) {
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}
