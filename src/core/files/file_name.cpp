#include "core/files/file_name.h"

#include <algorithm>

namespace corvane {

namespace {

constexpr char16_t kFirstEscape = 0xDC80;
constexpr char16_t kLastEscape = 0xDCFF;

bool isEscape(QChar c)
{
    return EscapedByte(c) >= 0;
}

bool isContinuation(uchar byte)
{
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at bytes[at] and its code point;
// 0 when none starts there.
int validSequence(const QByteArray &bytes, qsizetype at, char32_t *codePoint)
{
    const uchar lead = uchar(bytes.at(at));
    int length = 0;
    char32_t value = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        value = lead & 0x1F;
        smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        value = lead & 0x0F;
        smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        value = lead & 0x07;
        smallest = 0x10000;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    for (int i = 1; i < length; ++i) {
        const uchar next = uchar(bytes.at(at + i));
        if (!isContinuation(next))
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    if (value < smallest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *codePoint = value;
    return length;
}

void appendUtf8(QByteArray &bytes, char32_t codePoint)
{
    if (codePoint < 0x80) {
        bytes += char(codePoint);
    } else if (codePoint < 0x800) {
        bytes += char(0xC0 | (codePoint >> 6));
        bytes += char(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        bytes += char(0xE0 | (codePoint >> 12));
        bytes += char(0x80 | ((codePoint >> 6) & 0x3F));
        bytes += char(0x80 | (codePoint & 0x3F));
    } else {
        bytes += char(0xF0 | (codePoint >> 18));
        bytes += char(0x80 | ((codePoint >> 12) & 0x3F));
        bytes += char(0x80 | ((codePoint >> 6) & 0x3F));
        bytes += char(0x80 | (codePoint & 0x3F));
    }
}

// Whether every byte belongs to a valid character.
bool isValidUtf8(const QByteArray &bytes)
{
    for (qsizetype at = 0; at < bytes.size();) {
        char32_t codePoint = 0;
        const int length = uchar(bytes.at(at)) < 0x80 ? 1 : validSequence(bytes, at, &codePoint);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

} // namespace

QString DecodeFileName(const QByteArray &bytes)
{
    if (isValidUtf8(bytes))
        return QString::fromUtf8(bytes);
    QString name;
    name.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        const uchar byte = uchar(bytes.at(at));
        char32_t codePoint = 0;
        const int length = byte < 0x80 ? 0 : validSequence(bytes, at, &codePoint);
        if (byte < 0x80) {
            name += QLatin1Char(char(byte));
            ++at;
        } else if (length > 0) {
            const char32_t units[] = {codePoint};
            name += QString::fromUcs4(units, 1);
            at += length;
        } else {
            name += QChar(char16_t(0xDC00 + byte));
            ++at;
        }
    }
    return name;
}

QByteArray EncodeFileName(const QString &name)
{
    if (std::none_of(name.cbegin(), name.cend(), isEscape))
        return name.toUtf8();
    QByteArray bytes;
    bytes.reserve(name.size() * 3);
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c.isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate()) {
            appendUtf8(bytes, QChar::surrogateToUcs4(c, name.at(i + 1)));
            ++i;
        } else if (const int byte = EscapedByte(c); byte >= 0) {
            bytes += char(byte);
        } else if (c.isSurrogate()) {
            appendUtf8(bytes, QChar::ReplacementCharacter);
        } else {
            appendUtf8(bytes, c.unicode());
        }
    }
    return bytes;
}

int EscapedByte(QChar c)
{
    return c.unicode() >= kFirstEscape && c.unicode() <= kLastEscape ? c.unicode() - 0xDC00 : -1;
}

QString DisplayedFileName(const QString &name)
{
    if (std::none_of(name.cbegin(), name.cend(), isEscape))
        return name;
    QString shown = name;
    std::replace_if(shown.begin(), shown.end(), isEscape, QChar(QChar::ReplacementCharacter));
    return shown;
}

} // namespace corvane
