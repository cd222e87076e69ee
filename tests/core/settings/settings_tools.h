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

// The writes of the options dialog's save, in its order.
inline void saveOptions(const Tools &tools)
{
    for (int i = 0; i < 8; ++i) {
        const ToolFields &tool = tools[size_t(i)];
        WriteStringSetting(key("Text1(", i), tool.name);
        WriteStringSetting(key("Text2(", i), tool.program);
        WriteStringSetting(key("Text3(", i), tool.commandLine);
        WriteIntSetting(key("Check1(", i), tool.capture);
        WriteIntSetting(key("Check2(", i), tool.console);
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
