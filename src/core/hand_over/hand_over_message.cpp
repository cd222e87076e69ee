#include "core/hand_over/hand_over_message.h"

#include <QtEndian>

#include <cstring>

namespace corvane {

namespace {

void appendNumber(QByteArray &bytes, quint32 number)
{
    char field[4];
    qToLittleEndian(number, field);
    bytes.append(field, sizeof field);
}

quint32 numberAt(const QByteArray &bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.constData() + at);
}

} // namespace

QByteArray HandOverMessage(const QStringList &paths)
{
    qsizetype size = kHandOverHeaderSize;
    for (const QString &path : paths)
        size += 4 + path.size() * 2;
    if (size > kHandOverMaxMessageSize)
        return {};
    QByteArray message;
    message.reserve(size);
    message.append(kHandOverMagic, 4);
    appendNumber(message, kHandOverVersion);
    appendNumber(message, quint32(size - kHandOverHeaderSize));
    for (const QString &path : paths) {
        appendNumber(message, quint32(path.size()));
        for (const QChar unit : path) {
            const char bytes[] = {char(unit.unicode() & 0xFF), char(unit.unicode() >> 8)};
            message.append(bytes, 2);
        }
    }
    return message;
}

HandOverRead ReadHandOverMessage(const QByteArray &received, QStringList *paths)
{
    // The header is judged as soon as it is there, so that a stranger's
    // bytes are dropped without waiting for more.
    const qsizetype magicSize = qMin<qsizetype>(received.size(), 4);
    if (std::memcmp(received.constData(), kHandOverMagic, size_t(magicSize)) != 0)
        return HandOverRead::Invalid;
    if (received.size() < kHandOverHeaderSize)
        return HandOverRead::Incomplete;
    if (numberAt(received, 4) != kHandOverVersion)
        return HandOverRead::Invalid;
    const quint32 bodySize = numberAt(received, 8);
    if (bodySize > quint32(kHandOverMaxMessageSize - kHandOverHeaderSize))
        return HandOverRead::Invalid;
    const qsizetype end = kHandOverHeaderSize + qsizetype(bodySize);
    if (received.size() > end)
        return HandOverRead::Invalid;
    if (received.size() < end)
        return HandOverRead::Incomplete;

    QStringList read;
    for (qsizetype at = kHandOverHeaderSize; at < end;) {
        if (end - at < 4)
            return HandOverRead::Invalid;
        const quint32 units = numberAt(received, at);
        at += 4;
        if (units == 0 || qsizetype(units) > (end - at) / 2)
            return HandOverRead::Invalid;
        QString path(qsizetype(units), Qt::Uninitialized);
        for (qsizetype i = 0; i < path.size(); ++i, at += 2) {
            const char16_t unit =
                char16_t(uchar(received.at(at)) | uchar(received.at(at + 1)) << 8);
            if (unit == 0)
                return HandOverRead::Invalid;
            path[i] = QChar(unit);
        }
        read.append(path);
    }
    *paths = read;
    return HandOverRead::Complete;
}

} // namespace corvane
