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

// Decodes text in the system's code page (a settings value, a registry
// string): as UTF-8 when it is valid UTF-8, else as GB18030, so that text
// written by the Windows version reads correctly.
QString DecodeSystemText(const QByteArray &bytes);

} // namespace corvane
