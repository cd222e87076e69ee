#pragma once

#include <QByteArray>
#include <QString>

namespace corvane {

// File names on POSIX systems are bytes. Corvane carries them in QStrings
// without loss: valid UTF-8 decodes as usual, and every byte that starts no
// valid character becomes one code unit of its own, U+DC80 to U+DCFF (a lone
// low surrogate, which no decoded text ever holds), mapped back to that byte
// when the name goes to the system. So caf\xE9.txt never turns into the
// name of another file, such as café with a replacement mark.
QString DecodeFileName(const QByteArray &bytes);
QByteArray EncodeFileName(const QString &name);

// The byte that a code unit of a decoded name stands for (0x80 to 0xFF), or
// -1 when it is a character of its own.
int EscapedByte(QChar c);

// A name as the user reads it: each byte that is no character shown as the
// replacement mark U+FFFD.
QString DisplayedFileName(const QString &name);

} // namespace corvane
