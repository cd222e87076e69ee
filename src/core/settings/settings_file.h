#pragma once

#include "core/desktop/message.h"

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
// (a missing file, section or key gives 0 or ""); writes say how many values
// could not be written, and the window shows SettingsWriteFailure() once
// for each.
//
// The file's encoding is decided for the whole file: UTF-8 when it is valid
// UTF-8 (or starts with a UTF-8 byte order mark), else GB18030. Writes keep
// it, so a file written on a Chinese Windows system stays readable there; a
// new file is UTF-8.
class SettingsFile final {
public:
    explicit SettingsFile(QString path);

    const QString &path() const { return m_path; }

    int readInt(const QString &key) const;
    // Whether IntegerSection holds the key, whatever its value.
    bool hasInt(const QString &key) const;
    QString readString(const QString &key) const;
    // True when the value was written.
    bool writeInt(const QString &key, int value) const;
    bool writeString(const QString &key, const QString &value) const;
    // Writes all values, in order, in one atomic save of the file: the bytes
    // come out as after one write per value, with one flush to disk. Returns
    // how many values were not written: all of them when the file cannot be
    // saved.
    int writeAll(const QList<SettingValue> &values) const;

private:
    QString m_path;
};

// The path of config.ini in a data folder.
QString ConfigPathIn(const QString &dataFolder);

// The message for a value that could not be written: "写入配置文件错误  ".
Message SettingsWriteFailure();

} // namespace corvane
