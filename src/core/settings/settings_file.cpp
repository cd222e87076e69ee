#include "core/settings/settings_file.h"

#include "core/files/paths.h"
#include "core/platform/atomic_file.h"
#include "core/platform/file_ops.h"
#include "core/settings/ini_file.h"
#include "core/text/text_encoding.h"

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

// Far above any real settings file; a larger one, or a link to a device
// that never ends, reads as missing rather than filling the memory.
constexpr qint64 kMaxSettingsFileSize = 64 * 1024 * 1024;

std::optional<QByteArray> readFile(const QString &path)
{
    // Another user's file would choose the program this user runs.
    return ReadRegularFile(path, kMaxSettingsFileSize, FileOwner::UserOrRoot);
}

const char *sectionOf(const SettingValue &value)
{
    return value.isInteger ? kIntegerSection : kStringSection;
}

// The comment line that keeps a file in the code page when nothing else in
// it is invalid UTF-8: "编码：GB18030" in GB18030, fixed bytes so that they
// are never valid UTF-8, whatever the system's code page.
constexpr char kCodePageMark[] = " \xB1\xE0\xC2\xEB\xA3\xBAGB18030";

// The file's bytes after a write, made to read again in the encoding they
// were written in, so that a changed value never changes how the others
// read. Removing the last bytes that are invalid UTF-8 would turn a GB18030
// file into UTF-8; removing the last Chinese text from a UTF-8 file whose
// other text is Cyrillic, say, would turn it into GB18030. The first gets a
// comment line with GB18030 text, the second a UTF-8 byte order mark.
QByteArray readingAs(const QByteArray &bytes, TextEncoding encoding)
{
    if (DetectTextEncoding(bytes) == encoding)
        return bytes;
    if (encoding == TextEncoding::Utf8)
        return "\xEF\xBB\xBF" + bytes;
    return AppendIniComment(bytes, kCodePageMark);
}

// The file's bytes with every value written in order; for each value that
// cannot be written (a line break in it), its flag in `refused` is set.
QByteArray withValues(const QByteArray &file, const QList<SettingValue> &values,
                      QList<bool> *refused)
{
    const TextEncoding encoding = file.isEmpty() ? TextEncoding::Utf8 : DetectTextEncoding(file);
    QByteArray bytes = file;
    for (const SettingValue &value : values) {
        const std::optional<QByteArray> updated =
            WriteIniValue(bytes, QByteArray(sectionOf(value)), value.key.toUtf8(),
                          EncodeText(value.text, encoding));
        refused->append(!updated);
        if (updated)
            bytes = readingAs(*updated, encoding);
    }
    return bytes;
}

// Replaces the file, in one atomic step, with one that holds the values.
// False for every value when the file cannot be saved.
QList<bool> saveValues(const QString &path, const QList<SettingValue> &values)
{
    const QList<bool> allFailed(values.size(), true);
    const std::optional<QString> target = resolvedTarget(path);
    if (!target)
        return allFailed;
    const QFileInfo file(*target);
    const QFileInfo folder(file.absolutePath());
    if (!folder.isDir() || !IsWritable(folder.absoluteFilePath()))
        return allFailed;

    QByteArray old;
    if (file.exists()) {
        // A FIFO or a device is never replaced.
        if (!file.isFile() || !IsWritable(*target))
            return allFailed;
        const std::optional<QByteArray> bytes = readFile(*target);
        if (!bytes)
            return allFailed;
        old = *bytes;
    }

    QList<bool> refused;
    const QByteArray updated = withValues(old, values, &refused);
    if (file.exists() && updated == old)
        return refused;
    if (!refused.contains(false))
        return refused;
    return WriteFileAtomically(*target, updated) ? refused : allFailed;
}

std::optional<QByteArray> readValue(const QString &path, const char *section, const QString &key,
                                    TextEncoding *encoding)
{
    const std::optional<QByteArray> bytes = readFile(path);
    if (!bytes)
        return std::nullopt;
    *encoding = DetectTextEncoding(*bytes);
    return ReadIniValue(*bytes, QByteArray(section), key.toUtf8());
}

} // namespace

SettingsFile::SettingsFile(QString path) : m_path(std::move(path))
{
}

int SettingsFile::readInt(const QString &key) const
{
    TextEncoding encoding = TextEncoding::Utf8;
    const std::optional<QByteArray> value = readValue(m_path, kIntegerSection, key, &encoding);
    return value ? ParseIniInt(*value) : 0;
}

bool SettingsFile::hasInt(const QString &key) const
{
    TextEncoding encoding = TextEncoding::Utf8;
    return readValue(m_path, kIntegerSection, key, &encoding).has_value();
}

QString SettingsFile::readString(const QString &key) const
{
    TextEncoding encoding = TextEncoding::Utf8;
    const std::optional<QByteArray> value = readValue(m_path, kStringSection, key, &encoding);
    return value ? DecodeText(*value, encoding) : QString();
}

bool SettingsFile::writeInt(const QString &key, int value) const
{
    return writeAll({SettingValue::integer(key, value)}) == 0;
}

bool SettingsFile::writeString(const QString &key, const QString &value) const
{
    return writeAll({SettingValue::string(key, value)}) == 0;
}

int SettingsFile::writeAll(const QList<SettingValue> &values) const
{
    const QList<bool> failed = saveValues(m_path, values);
    return int(failed.count(true));
}

QString ConfigPathIn(const QString &dataFolder)
{
    return JoinPath(dataFolder, QLatin1String(kConfigFileName));
}

Message SettingsWriteFailure()
{
    return Message{QStringLiteral("写入配置文件错误  "), ApplicationTitle(), MessageIcon::None};
}

} // namespace corvane
