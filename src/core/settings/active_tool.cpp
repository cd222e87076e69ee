#include "core/settings/active_tool.h"

#include "core/settings/settings_file.h"

namespace corvane {

namespace {
CaptionSink &captionSink()
{
    static CaptionSink sink;
    return sink;
}
} // namespace

ActiveToolState &ActiveTool()
{
    static ActiveToolState state;
    return state;
}

QString ToolKey(const char *prefix, int index)
{
    return QLatin1String(prefix) + QString::number(index) + QLatin1Char(')');
}

int JobsSetting(int storedValue)
{
    return storedValue >= 1 && storedValue <= kMaxJobs ? storedValue : 1;
}

QString MainCaption(const QString &toolName)
{
    return QStringLiteral("Corvane:  -  ") + toolName;
}

void SetCaptionSink(CaptionSink sink)
{
    captionSink() = std::move(sink);
}

QString LoadActiveTool()
{
    ActiveToolState &tool = ActiveTool();
    const int index = tool.index;
    tool.program = ReadStringSetting(ToolKey("Text2(", index));
    tool.commandTemplate = ReadStringSetting(ToolKey("Text3(", index));
    tool.captureOutput = ReadIntSetting(ToolKey("Check1(", index)) != 0;
    tool.showConsole = ReadIntSetting(ToolKey("Check2(", index)) != 0;
    tool.jobs = JobsSetting(ReadIntSetting(ToolKey("Jobs(", index)));
    const QString caption = MainCaption(ReadStringSetting(ToolKey("Text1(", index)));
    if (captionSink())
        captionSink()(caption);
    return caption;
}

std::array<QString, kToolCount> ReadToolMenuNames()
{
    std::array<QString, kToolCount> names;
    for (int i = 0; i < kToolCount; ++i)
        names[size_t(i)] = ReadStringSetting(ToolKey("text1(", i));
    return names;
}

} // namespace corvane
