#include "core/settings/settings_file.h"

#include "core/platform/atomic_file.h"
#include "core/platform/data_folder.h"
#include "core/platform/file_ops.h"
#include "core/platform/message_box.h"
#include "core/platform/text_encoding.h"
#include "core/settings/profile.h"

#include <QFile>
#include <QFileInfo>

#include <optional>
#include <utility>

namespace corvane {

namespace {

// The file that a path finally names: symbolic links are followed so that
// a save replaces the link's target and leaves the link itself in place.
std::optional<QString> resolvedTarget(const QString &path)
{
    QFileInfo info(path);
    for (int depth = 0; depth < 40 && info.isSymLink(); ++depth)
        info.setFile(info.symLinkTarget());
    if (info.isSymLink())
        return std::nullopt;
    return info.absoluteFilePath();
}

std::optional<QByteArray> readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

std::optional<QByteArray> readValue(const QString &path, const char *section, const QString &key)
{
    const std::optional<QByteArray> bytes = readFile(path);
    if (!bytes)
        return std::nullopt;
    return ReadProfileValue(*bytes, QByteArray(section), key.toUtf8());
}

// Replaces the file, in one atomic step, with one whose key holds value.
bool saveValue(const QString &path, const char *section, const QString &key,
               const QByteArray &value)
{
    const std::optional<QString> target = resolvedTarget(path);
    if (!target)
        return false;
    const QFileInfo file(*target);
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir() || !IsWritable(folder.absoluteFilePath()))
        return false;

    QByteArray old;
    if (file.exists()) {
        if (!file.isFile() || !IsWritable(*target))
            return false;
        const std::optional<QByteArray> bytes = readFile(*target);
        if (!bytes)
            return false;
        old = *bytes;
    }

    const std::optional<QByteArray> updated =
        WriteProfileValue(old, QByteArray(section), key.toUtf8(), value);
    if (!updated)
        return false;
    if (file.exists() && *updated == old)
        return true;

    return WriteFileAtomically(*target, *updated);
}

bool writeValue(const QString &path, const char *section, const QString &key,
                const QByteArray &value)
{
    if (saveValue(path, section, key, value))
        return true;
    ShowMessage(
        Message{QStringLiteral("写入配置文件错误  "), ApplicationTitle(), MessageIcon::None});
    return false;
}

} // namespace

SettingsFile::SettingsFile(QString path) : m_path(std::move(path))
{
}

int SettingsFile::readInt(const QString &key) const
{
    const std::optional<QByteArray> value = readValue(m_path, kIntegerSection, key);
    return value ? ParseProfileInt(*value) : 0;
}

QString SettingsFile::readString(const QString &key) const
{
    const std::optional<QByteArray> value = readValue(m_path, kStringSection, key);
    return value ? DecodeSystemText(*value) : QString();
}

bool SettingsFile::writeInt(const QString &key, int value) const
{
    return writeValue(m_path, kIntegerSection, key, QByteArray::number(value));
}

bool SettingsFile::writeString(const QString &key, const QString &value) const
{
    return writeValue(m_path, kStringSection, key, value.toUtf8());
}

QString ConfigPath()
{
    return JoinPath(DataFolder(), QStringLiteral("config.ini"));
}

int ReadIntSetting(const QString &key)
{
    return SettingsFile(ConfigPath()).readInt(key);
}

QString ReadStringSetting(const QString &key)
{
    return SettingsFile(ConfigPath()).readString(key);
}

void WriteIntSetting(const QString &key, int value)
{
    SettingsFile(ConfigPath()).writeInt(key, value);
}

void WriteStringSetting(const QString &key, const QString &value)
{
    SettingsFile(ConfigPath()).writeString(key, value);
}

} // namespace corvane
