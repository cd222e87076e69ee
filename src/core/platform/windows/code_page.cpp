#include "core/platform/code_page.h"

#include <windows.h>

namespace corvane {

namespace {
constexpr UINT kChineseSimplified = 936;
constexpr UINT kGb18030 = 54936;

// The code page of config.ini files that are not UTF-8: the system's ANSI
// code page, with GB18030 (a superset of 936) on Chinese systems.
UINT fileCodePage()
{
    const UINT ansi = ::GetACP();
    if (ansi == kChineseSimplified && ::IsValidCodePage(kGb18030))
        return kGb18030;
    return ansi;
}

// Characters of one code-page text; false when the bytes are not valid
// there.
bool decodeStrictly(UINT codePage, const char *bytes, int size, QString *text)
{
    const int length =
        ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, size, nullptr, 0);
    if (length <= 0)
        return false;
    text->resize(length);
    ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes, size,
                          reinterpret_cast<wchar_t *>(text->data()), length);
    return true;
}

// A byte that starts no valid character becomes U+FFFD and decoding goes
// on after it, as on POSIX systems (Windows itself would put '?' there).
QString decode(UINT codePage, const QByteArray &bytes)
{
    QString text;
    if (bytes.isEmpty() || decodeStrictly(codePage, bytes.constData(), int(bytes.size()), &text))
        return text;
    QString decoded;
    QString character;
    for (qsizetype i = 0; i < bytes.size();) {
        // A character of GB18030 has one, two or four bytes, of other ANSI
        // code pages one or two.
        int length = 0;
        for (const int size : {1, 2, 4}) {
            if (i + size <= bytes.size() &&
                decodeStrictly(codePage, bytes.constData() + i, size, &character)) {
                length = size;
                break;
            }
        }
        if (length == 0) {
            decoded += QChar(QChar::ReplacementCharacter);
            ++i;
        } else {
            decoded += character;
            i += length;
        }
    }
    return decoded;
}

QByteArray encode(UINT codePage, const QString &text)
{
    if (text.isEmpty())
        return {};
    const auto *wide = reinterpret_cast<const wchar_t *>(text.utf16());
    const int length =
        ::WideCharToMultiByte(codePage, 0, wide, int(text.size()), nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return text.toUtf8();
    QByteArray bytes(length, Qt::Uninitialized);
    ::WideCharToMultiByte(codePage, 0, wide, int(text.size()), bytes.data(), length, nullptr,
                          nullptr);
    return bytes;
}
} // namespace

QString DecodeCodePage(const QByteArray &bytes)
{
    return decode(fileCodePage(), bytes);
}

QByteArray EncodeCodePage(const QString &text)
{
    return encode(fileCodePage(), text);
}

QString DecodeSystemText(const QByteArray &bytes)
{
    return decode(CP_ACP, bytes);
}

QStringConverter::Encoding CommandOutputEncoding()
{
    // Qt's "System" converter is the ANSI code page (CP_ACP); it keeps a
    // lead byte that ends one read for the next.
    return QStringConverter::System;
}

} // namespace corvane
