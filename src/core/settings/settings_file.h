#pragma once

#include <QList>
#include <QString>

namespace corvane {

// The two sections of config.ini.
inline constexpr char kIntegerSection[] = "IntegerSection";
inline constexpr char kStringSection[] = "StringSection";

// One value to write: an integer goes to IntegerSection, a text to
// StringSection.
struct SettingValue final {
    QString key;
    QString text;
    bool isInteger = false;

    static SettingValue integer(const QString &key, int value)
    {
        return SettingValue{key, QString::number(value), true};
    }
    static SettingValue string(const QString &key, const QString &value)
    {
        return SettingValue{key, value, false};
    }
};

// Typed access to one settings file, by path. Nothing is cached: every call
// opens the file, does its reads or writes and is done. Only a regular file
// is read, at most 64 MiB; anything else reads as missing. Reads never fail
// (a missing file, section or key gives 0 or ""); a failed write shows
// "写入配置文件错误  " once per value and returns false.
//
// POSIX: only a file that belongs to the user running Corvane (or to root)
// is read or replaced, checked at every opening: another user's file reads
// as missing and a write to it fails.
//
// The file's encoding is decided for the whole file (DetectTextEncoding):
// UTF-8 or GB18030. Writes keep it, so a file written on a Chinese Windows
// system stays readable there, and keep it recognisable, so that a write
// never changes how another value reads; a new file is UTF-8.
class SettingsFile final {
public:
    explicit SettingsFile(QString path);

    const QString &path() const { return m_path; }

    int readInt(const QString &key) const;
    // Whether IntegerSection holds the key, whatever its value (the key's case
    // does not matter, as for reads).
    bool hasInt(const QString &key) const;
    QString readString(const QString &key) const;
    bool writeInt(const QString &key, int value) const;
    bool writeString(const QString &key, const QString &value) const;
    // Writes all values, in order, in one atomic save of the file: the bytes
    // come out as after one write per value, with one flush to disk.
    bool writeAll(const QList<SettingValue> &values) const;

private:
    QString m_path;
};

// Full path of config.ini in the data folder.
QString ConfigPath();

// The settings routines on config.ini in the data folder.
int ReadIntSetting(const QString &key);
bool HasIntSetting(const QString &key);
QString ReadStringSetting(const QString &key);
void WriteIntSetting(const QString &key, int value);
void WriteStringSetting(const QString &key, const QString &value);
// Saves all values in one go (SettingsFile::writeAll); false when it failed.
bool WriteSettings(const QList<SettingValue> &values);

} // namespace corvane
