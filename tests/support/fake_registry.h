#pragma once

#include "core/platform/registry.h"

#include <QList>
#include <QMap>

namespace corvane::test {

// A registry held in memory. Keys are matched as written; a value whose data
// does not fit in the caller's buffer fails to read, as the real one does.
// Records every open and counts the closes.
class FakeRegistry final : public Registry {
public:
    struct Open final {
        quint32 root = 0;
        QString keyName;
        quint32 access = 0;
    };

    void setValue(const QString &keyName, const QString &valueName, quint32 type,
                  const QByteArray &data)
    {
        m_keys[keyName][valueName] = RegistryValue{type, data};
    }
    void addKey(const QString &keyName) { m_keys[keyName]; }

    bool openKey(quint32 root, const QString &keyName, quint32 access, RegistryKey *key) override
    {
        m_opens.append(Open{root, keyName, access});
        if (!m_keys.contains(keyName))
            return false;
        *key = RegistryKey(m_opens.size());
        m_openKeys[*key] = keyName;
        return true;
    }

    bool queryValue(RegistryKey key, const QString &valueName, int bufferSize,
                    RegistryValue *value) override
    {
        m_bufferSizes.append(bufferSize);
        const auto values = m_keys.constFind(m_openKeys.value(key));
        if (values == m_keys.constEnd() || !values->contains(valueName))
            return false;
        const RegistryValue stored = values->value(valueName);
        if (stored.data.size() > bufferSize)
            return false;
        *value = stored;
        return true;
    }

    void closeKey(RegistryKey key) override
    {
        if (m_openKeys.remove(key) == 0)
            ++m_badCloses;
    }

    const QList<Open> &opens() const { return m_opens; }
    const QList<int> &bufferSizes() const { return m_bufferSizes; }
    // Keys opened and not closed yet.
    int keysLeftOpen() const { return int(m_openKeys.size()); }
    // Closes of a key that was not open.
    int badCloses() const { return m_badCloses; }

private:
    QMap<QString, QMap<QString, RegistryValue>> m_keys;
    QMap<RegistryKey, QString> m_openKeys;
    QList<Open> m_opens;
    QList<int> m_bufferSizes;
    int m_badCloses = 0;
};

} // namespace corvane::test
