#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace corvane {

// Read-only access to the Windows registry, in the shape of the three calls
// that look-ups need (open a key, query a value, close the key), with names
// and string data in the system's ANSI code page. Platforms without a
// registry get an implementation whose every open fails.

// Root keys and value types, numbered as the registry numbers them.
inline constexpr quint32 kHkeyCurrentUser = 0x80000001u;
inline constexpr quint32 kHkeyLocalMachine = 0x80000002u;
inline constexpr quint32 kRegSz = 1;
inline constexpr quint32 kRegExpandSz = 2;
inline constexpr quint32 kRegDword = 4;

// Handle of an open key, as the registry hands it out.
using RegistryKey = quintptr;

// A value as read: its type and its data (the returned length, including a
// terminating NUL when the value carries one).
struct RegistryValue final {
    quint32 type = 0;
    QByteArray data;
};

class Registry {
public:
    virtual ~Registry() = default;

    // Opens keyName under root with the given access mask. False when the key
    // cannot be opened.
    virtual bool openKey(quint32 root, const QString &keyName, quint32 access,
                         RegistryKey *key) = 0;
    // Reads the value named valueName into a buffer of bufferSize bytes. False
    // when the value is missing or its data does not fit in the buffer.
    virtual bool queryValue(RegistryKey key, const QString &valueName, int bufferSize,
                            RegistryValue *value) = 0;
    virtual void closeKey(RegistryKey key) = 0;
};

// The system's registry. One implementation per operating system.
Registry &SystemRegistry();

} // namespace corvane
