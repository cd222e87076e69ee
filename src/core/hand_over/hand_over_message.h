#pragma once

#include <QByteArray>
#include <QStringList>

namespace corvane {

// What a later start sends, the same on every system. A header of 12
// bytes: the magic "CVHO", the version (1) and the size of the body, both
// 32-bit little-endian. The body: each path as its length in UTF-16 code
// units (32-bit little-endian) and then those code units, little-endian.
// UTF-16 carries every QString unchanged, so a POSIX name's bytes that are
// no UTF-8 (held as U+DC80 to U+DCFF, see file_name.h) and a Windows name's
// unpaired surrogates arrive as they left. An empty path, a NUL in one,
// bytes left over or missing, and anything larger than the bound make the
// whole message invalid.
inline constexpr char kHandOverMagic[] = "CVHO";
inline constexpr quint32 kHandOverVersion = 1;
inline constexpr qsizetype kHandOverHeaderSize = 12;
// Room for thousands of long paths; the bound keeps a stray or hostile
// client from filling memory.
inline constexpr qsizetype kHandOverMaxMessageSize = 1024 * 1024;

// How long the server gives a client to send its whole message, and how
// long a sender waits, from its start, for the server to take it.
inline constexpr int kHandOverClientTimeoutMs = 2000;
inline constexpr int kHandOverSendTimeoutMs = 3000;

// How many clients the server reads at once; more are turned away.
inline constexpr int kHandOverMaxClients = 8;

// The reply by which the server says it has taken the message.
inline constexpr char kHandOverAccepted = '\x06';

// The message for these paths; empty when they would not fit the bound.
QByteArray HandOverMessage(const QStringList &paths);

enum class HandOverRead { Incomplete, Complete, Invalid };

// Reads the bytes received so far. Incomplete while a valid message may
// still follow; Complete, with the paths, once received holds exactly one
// valid message; Invalid as soon as it cannot be one.
HandOverRead ReadHandOverMessage(const QByteArray &received, QStringList *paths);

} // namespace corvane
