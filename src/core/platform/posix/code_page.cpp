#include "core/platform/code_page.h"
#include "core/text/text_encoding.h"

#include <cerrno>
#include <iconv.h>

namespace corvane {

namespace {

// One iconv conversion descriptor for the length of a decode.
class IconvHandle final {
public:
    IconvHandle(const char *to, const char *from) : m_handle(iconv_open(to, from)) {}
    ~IconvHandle()
    {
        if (isValid())
            iconv_close(m_handle);
    }
    Q_DISABLE_COPY_MOVE(IconvHandle)

    bool isValid() const { return m_handle != iconv_t(-1); }
    iconv_t get() const { return m_handle; }

private:
    iconv_t m_handle;
};

} // namespace

QString DecodeCodePage(const QByteArray &bytes)
{
    IconvHandle converter("UTF-8", "GB18030");
    if (!converter.isValid())
        return QString::fromLatin1(bytes);

    QByteArray utf8;
    // UTF-8 needs at most 1.5 times the GB18030 bytes (two bytes become
    // three), so one pass usually does; the loop goes on after a bad byte or
    // when the buffer is full.
    QByteArray buffer(bytes.size() + bytes.size() / 2 + 16, Qt::Uninitialized);
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    while (inLeft > 0) {
        char *out = buffer.data();
        size_t outLeft = size_t(buffer.size());
        const size_t result = iconv(converter.get(), &in, &inLeft, &out, &outLeft);
        utf8.append(buffer.constData(), buffer.size() - qsizetype(outLeft));
        if (result != size_t(-1))
            break;
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL (a cut-off character at the end): replace one byte.
        utf8.append("\xEF\xBF\xBD");
        ++in;
        --inLeft;
        iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
    }
    return QString::fromUtf8(utf8);
}

QString DecodeSystemText(const QByteArray &bytes)
{
    return DecodeText(bytes, IsValidUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::CodePage);
}

QStringConverter::Encoding CommandOutputEncoding()
{
    return QStringConverter::Utf8;
}

QByteArray EncodeCodePage(const QString &text)
{
    IconvHandle converter("GB18030", "UTF-8");
    QByteArray utf8 = text.toUtf8();
    if (!converter.isValid())
        return utf8;
    // Four GB18030 bytes at most per character, never more than four per
    // UTF-8 byte.
    QByteArray buffer(utf8.size() * 4 + 16, Qt::Uninitialized);
    char *in = utf8.data();
    size_t inLeft = size_t(utf8.size());
    char *out = buffer.data();
    size_t outLeft = size_t(buffer.size());
    if (iconv(converter.get(), &in, &inLeft, &out, &outLeft) == size_t(-1))
        return text.toUtf8(); // not reached: valid UTF-8 always converts
    iconv(converter.get(), nullptr, nullptr, &out, &outLeft);
    buffer.truncate(buffer.size() - qsizetype(outLeft));
    return buffer;
}

} // namespace corvane
