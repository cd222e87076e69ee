#pragma once

// Shared by the settings file's tests: the tool profiles as the options
// dialog saves them.

#include "core/settings/settings_file.h"

#include <QDir>
#include <QString>
#include <QStringList>

#include <array>

namespace corvane::test {

inline const QString kConfigName = QStringLiteral("config.ini");

struct ToolFields {
    QString name;
    QString program;
    QString commandLine;
    int capture = 0;
    int console = 0;
};
using Tools = std::array<ToolFields, 8>;

inline QString key(const char *prefix, int index)
{
    return QLatin1String(prefix) + QString::number(index) + QLatin1Char(')');
}

// config.ini in a folder as the window uses it: reads and writes by key,
// and each value that cannot be written is shown once, here recorded.
class RecordingSettings final {
public:
    explicit RecordingSettings(const QString &folder) : file(ConfigPathIn(folder)) {}

    int readInt(const QString &key) const { return file.readInt(key); }
    QString readString(const QString &key) const { return file.readString(key); }
    void writeInt(const QString &key, int value) { writeAll({SettingValue::integer(key, value)}); }
    void writeString(const QString &key, const QString &value)
    {
        writeAll({SettingValue::string(key, value)});
    }
    void writeAll(const QList<SettingValue> &values)
    {
        for (int failed = file.writeAll(values); failed > 0; --failed)
            m_failures.append(SettingsWriteFailure());
    }

    int failureCount() const { return int(m_failures.size()); }
    const QList<Message> &failures() const { return m_failures; }
    void clearFailures() { m_failures.clear(); }

    const SettingsFile file;

private:
    QList<Message> m_failures;
};

// The writes of the options dialog's save, in its order.
inline void saveOptions(RecordingSettings &settings, const Tools &tools)
{
    for (int i = 0; i < 8; ++i) {
        const ToolFields &tool = tools[size_t(i)];
        settings.writeString(key("Text1(", i), tool.name);
        settings.writeString(key("Text2(", i), tool.program);
        settings.writeString(key("Text3(", i), tool.commandLine);
        settings.writeInt(key("Check1(", i), tool.capture);
        settings.writeInt(key("Check2(", i), tool.console);
    }
}

// The same save through a settings file; returns how many writes failed.
inline int saveOptions(const SettingsFile &file, const Tools &tools)
{
    int failed = 0;
    for (int i = 0; i < 8; ++i) {
        const ToolFields &tool = tools[size_t(i)];
        failed += !file.writeString(key("Text1(", i), tool.name);
        failed += !file.writeString(key("Text2(", i), tool.program);
        failed += !file.writeString(key("Text3(", i), tool.commandLine);
        failed += !file.writeInt(key("Check1(", i), tool.capture);
        failed += !file.writeInt(key("Check2(", i), tool.console);
    }
    return failed;
}

inline Tools convertTool()
{
    Tools tools;
    tools[0] = {QStringLiteral("Convert"), QStringLiteral("C:\\tools\\conv.exe"),
                QStringLiteral("$SPath$$SName$ -o $DPath$$SNameNo$.txt"), 1, 0};
    return tools;
}

inline QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

} // namespace corvane::test
