#include "core/platform/text_encoding.h"

#include <QStringDecoder>

namespace corvane {

bool IsValidUtf8(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless |
                                                     QStringDecoder::Flag::ConvertInitialBom);
    const QString text = decoder.decode(bytes);
    Q_UNUSED(text);
    return !decoder.hasError();
}

TextEncoding DetectTextEncoding(const QByteArray &file)
{
    if (file.startsWith("\xEF\xBB\xBF") || IsValidUtf8(file))
        return TextEncoding::Utf8;
    return TextEncoding::CodePage;
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
