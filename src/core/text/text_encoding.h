#pragma once

#include <QByteArray>
#include <QString>

namespace corvane {

// Whether bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing past U+10FFFF, no cut-off sequence).
bool IsValidUtf8(const QByteArray &bytes);

// The encoding of a whole text file, decided once for the file.
enum class TextEncoding { Utf8, CodePage };

// UTF-8 when the bytes start with a UTF-8 byte order mark. Bytes that are
// not valid UTF-8 are in the code page, as a file written on a Chinese
// Windows system is. Valid UTF-8 is UTF-8 too, unless all of its non-ASCII
// text reads in UTF-8 only as characters of two-byte forms past Latin-1
// (Greek, Cyrillic, Latin Extended, IPA and the like, or C1 controls) and
// in the code page only as Chinese characters: GBK's 图片 (CD BC C6 AC) is
// "ͼƬ" in UTF-8. Latin-1 letters (Café) and anything of three or four
// bytes, all Chinese text among it, stay UTF-8; so does pure ASCII. The
// decision is the whole file's: per value, short GBK values whose bytes
// happen to be valid UTF-8 would be misread.
TextEncoding DetectTextEncoding(const QByteArray &file);

QString DecodeText(const QByteArray &bytes, TextEncoding encoding);
QByteArray EncodeText(const QString &text, TextEncoding encoding);

} // namespace corvane
