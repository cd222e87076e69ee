#pragma once

#include <QByteArray>
#include <QString>

namespace corvane {

// Text that files written by the Windows version of the program carry in
// code page 936. GB18030 is a superset of it, so it decodes those files.

// Whether bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing past U+10FFFF, no cut-off sequence).
bool IsValidUtf8(const QByteArray &bytes);

// Decodes GB18030 bytes; a byte that starts no valid character becomes
// U+FFFD and decoding goes on after it.
QString DecodeGb18030(const QByteArray &bytes);

// Decodes one string in the system's code page (a registry string): as
// UTF-8 when it is valid UTF-8, else as GB18030.
QString DecodeSystemText(const QByteArray &bytes);

// GB18030 bytes of a text; GB18030 encodes every character, so nothing is
// lost.
QByteArray EncodeGb18030(const QString &text);

// The encoding of a whole text file, decided once for the file.
enum class TextEncoding { Utf8, Gb18030 };

// UTF-8 when the bytes start with a UTF-8 byte order mark or are valid UTF-8
// as a whole; anything else is GB18030, as a file written on a Chinese
// Windows system is. Deciding per value would misread short GBK values
// whose bytes happen to be valid UTF-8, such as 图片.
TextEncoding DetectTextEncoding(const QByteArray &file);

QString DecodeText(const QByteArray &bytes, TextEncoding encoding);
QByteArray EncodeText(const QString &text, TextEncoding encoding);

} // namespace corvane
