#pragma once

#include <QByteArray>
#include <QString>
#include <QStringConverter>

namespace corvane {

// Text that files written by the Windows version of the program carry in
// the system's ANSI code page: code page 936 on the Chinese systems the
// interface is written for. On POSIX systems that is GB18030, a superset of
// 936; on Windows it is GB18030 where the ANSI code page is 936 and the ANSI
// code page itself elsewhere.

// Decodes bytes in the code page; a byte that starts no valid character
// becomes U+FFFD and decoding goes on after it.
QString DecodeCodePage(const QByteArray &bytes);

// The code page's bytes of a text. GB18030 encodes every character, so
// nothing is lost there; another ANSI code page may have to put '?' for a
// character it lacks.
QByteArray EncodeCodePage(const QString &text);

// Decodes one string that the system handed over in its code page (a
// registry string). POSIX: as UTF-8 when it is valid UTF-8, else as
// GB18030. Windows: in the ANSI code page.
QString DecodeSystemText(const QByteArray &bytes);

// The encoding in which commands write their output, for a QStringDecoder
// that shows it. POSIX: UTF-8. Windows: the ANSI code page, in which console
// programs write (GB18030 where it is 936).
QStringConverter::Encoding CommandOutputEncoding();

} // namespace corvane
