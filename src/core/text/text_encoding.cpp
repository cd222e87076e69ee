#include "core/text/text_encoding.h"
#include "core/platform/code_page.h"

#include <QStringDecoder>

#include <cstring>

namespace corvane {

bool IsValidUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    const QString text = decoder.decode(bytes);
    Q_UNUSED(text);
    return !decoder.hasError();
}

namespace {

// The first position from i on where eight bytes are not all ASCII, or where
// fewer than eight are left: start-up reads the file once per key, and most
// of a file is ASCII.
qsizetype skipAscii(const char *bytes, qsizetype i, qsizetype size)
{
    for (; i + 8 <= size; i += 8) {
        quint64 word = 0;
        std::memcpy(&word, bytes + i, 8);
        if (word & 0x8080808080808080ULL)
            break;
    }
    return i;
}

// Whether valid UTF-8 holds non-ASCII text and all of it is of two-byte
// forms past Latin-1 (U+0080 to U+009F and U+0100 to U+07FF): letters that
// Chinese settings do not hold, while every such pair of bytes is a Chinese
// character in GBK.
bool onlyUnlikelyTwoByteForms(const QByteArray &utf8)
{
    bool any = false;
    const qsizetype size = utf8.size();
    for (qsizetype i = 0; i < size; ++i) {
        i = skipAscii(utf8.constData(), i, size);
        if (i >= size)
            break;
        const quint8 lead = quint8(utf8[i]);
        if (lead < 0x80)
            continue;
        if (lead >= 0xE0)
            return false;
        const uint codePoint = (uint(lead & 0x1F) << 6) | (quint8(utf8[++i]) & 0x3F);
        if (codePoint >= 0xA0 && codePoint <= 0xFF)
            return false;
        any = true;
    }
    return any;
}

// Whether every non-ASCII character of the text is a CJK ideograph. On a
// Windows system whose ANSI code page is not Chinese, the same bytes read as
// other letters, and the file stays UTF-8.
bool nonAsciiAllIdeographs(const QString &text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x80 && !(u >= 0x3400 && u <= 0x4DBF) && !(u >= 0x4E00 && u <= 0x9FFF) &&
            !(u >= 0xF900 && u <= 0xFAFF))
            return false;
    }
    return true;
}

} // namespace

TextEncoding DetectTextEncoding(const QByteArray &file)
{
    if (file.startsWith("\xEF\xBB\xBF"))
        return TextEncoding::Utf8;
    if (!IsValidUtf8(file))
        return TextEncoding::CodePage;
    if (onlyUnlikelyTwoByteForms(file) && nonAsciiAllIdeographs(DecodeCodePage(file)))
        return TextEncoding::CodePage;
    return TextEncoding::Utf8;
}

QString DecodeText(const QByteArray &bytes, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8)
        return QString::fromUtf8(bytes);
    return DecodeCodePage(bytes);
}

QByteArray EncodeText(const QString &text, TextEncoding encoding)
{
    if (encoding == TextEncoding::Utf8)
        return text.toUtf8();
    return EncodeCodePage(text);
}

} // namespace corvane
