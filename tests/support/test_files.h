#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

namespace corvane::test {

// The file's bytes, or "<missing>" when it cannot be read, so that a missing
// file never compares equal to expected (even empty) content.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<missing>");
    return file.readAll();
}

// Replaces the file's content; false when it cannot be written.
inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// Replaces the file's content, failing the running test when it cannot.
inline void writeFile(const QString &path, const QByteArray &bytes)
{
    QVERIFY2(writeBytes(path, bytes), qPrintable(path));
}

} // namespace corvane::test
