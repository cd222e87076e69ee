#pragma once

#include <QString>

namespace corvane {

// The two sections of config.ini.
inline constexpr char kIntegerSection[] = "IntegerSection";
inline constexpr char kStringSection[] = "StringSection";

// Typed access to one settings file, by path. Nothing is cached: every call
// opens the file, does its one read or write and is done. Reads never fail
// (a missing file, section or key gives 0 or ""); a failed write shows
// "写入配置文件错误  " once and returns false.
class SettingsFile final {
public:
    explicit SettingsFile(QString path);

    const QString &path() const { return m_path; }

    int readInt(const QString &key) const;
    QString readString(const QString &key) const;
    bool writeInt(const QString &key, int value) const;
    bool writeString(const QString &key, const QString &value) const;

private:
    QString m_path;
};

// Full path of config.ini in the data folder.
QString ConfigPath();

// The four settings routines on config.ini in the data folder.
int ReadIntSetting(const QString &key);
QString ReadStringSetting(const QString &key);
void WriteIntSetting(const QString &key, int value);
void WriteStringSetting(const QString &key, const QString &value);

} // namespace corvane
