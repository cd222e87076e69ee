#include "core/platform/registry.h"

#include <windows.h>

namespace corvane {

namespace {
// The root keys are numbered as 32-bit values that a 64-bit handle carries
// sign-extended (HKEY_LOCAL_MACHINE is (HKEY)(LONG)0x80000002).
HKEY rootKey(quint32 root)
{
    return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(root)));
}

// The registry of Windows, through its ANSI functions as the look-ups are
// described: key and value names go in the system's code page, and string
// data comes back in it.
class WindowsRegistry final : public Registry {
public:
    bool openKey(quint32 root, const QString &keyName, quint32 access, RegistryKey *key) override
    {
        HKEY opened = nullptr;
        const LONG result = ::RegOpenKeyExA(rootKey(root), keyName.toLocal8Bit().constData(), 0,
                                            REGSAM(access), &opened);
        if (result != ERROR_SUCCESS)
            return false;
        *key = reinterpret_cast<RegistryKey>(opened);
        return true;
    }

    bool queryValue(RegistryKey key, const QString &valueName, int bufferSize,
                    RegistryValue *value) override
    {
        QByteArray data(bufferSize, Qt::Uninitialized);
        DWORD type = 0;
        DWORD length = DWORD(data.size());
        // ERROR_MORE_DATA: the value does not fit in the buffer.
        const LONG result =
            ::RegQueryValueExA(reinterpret_cast<HKEY>(key), valueName.toLocal8Bit().constData(),
                               nullptr, &type, reinterpret_cast<BYTE *>(data.data()), &length);
        if (result != ERROR_SUCCESS)
            return false;
        data.truncate(qsizetype(length));
        value->type = quint32(type);
        value->data = data;
        return true;
    }

    void closeKey(RegistryKey key) override { ::RegCloseKey(reinterpret_cast<HKEY>(key)); }
};
} // namespace

Registry &SystemRegistry()
{
    static WindowsRegistry registry;
    return registry;
}

} // namespace corvane
