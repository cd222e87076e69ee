#include "core/platform/text_encoding.h"

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

// Invalid bytes become U+FFFD (the system's replacement character).
QString decode(UINT codePage, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return {};
    const int length =
        ::MultiByteToWideChar(codePage, 0, bytes.constData(), int(bytes.size()), nullptr, 0);
    if (length <= 0)
        return QString::fromLatin1(bytes);
    QString text(length, Qt::Uninitialized);
    ::MultiByteToWideChar(codePage, 0, bytes.constData(), int(bytes.size()),
                          reinterpret_cast<wchar_t *>(text.data()), length);
    return text;
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

} // namespace corvane
