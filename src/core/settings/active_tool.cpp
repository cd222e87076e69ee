#include "core/settings/active_tool.h"

#include "core/settings/settings_file.h"

namespace corvane {

int JobsSetting(int storedValue)
{
    return storedValue >= 1 && storedValue <= kMaxJobs ? storedValue : 1;
}

ToolProfile ReadToolProfile(const SettingsFile &settings, int index)
{
    ToolProfile profile;
    profile.name = settings.readString(ToolKey(ToolField::Name, index));
    profile.program = settings.readString(ToolKey(ToolField::Program, index));
    profile.commandTemplate = settings.readString(ToolKey(ToolField::CommandTemplate, index));
    profile.captureOutput = settings.readInt(ToolKey(ToolField::CaptureOutput, index)) != 0;
    profile.showConsole = settings.readInt(ToolKey(ToolField::ShowConsole, index)) != 0;
    profile.jobs = JobsSetting(settings.readInt(ToolKey(ToolField::Jobs, index)));
    return profile;
}

ActiveTool::ActiveTool(const SettingsFile &settings, QObject *parent)
    : QObject(parent), m_settings(settings)
{
}

void ActiveTool::select(int index)
{
    m_index = index;
    m_profile = ReadToolProfile(m_settings, index);
    emit changed();
}

void ActiveTool::setProfile(const ToolProfile &profile)
{
    m_profile = profile;
    emit changed();
}

QString ActiveTool::caption() const
{
    return MainCaption(m_profile.name);
}

QString MainCaption(const QString &toolName)
{
    return QStringLiteral("Corvane:  -  ") + toolName;
}

std::array<QString, kToolCount> ReadToolMenuNames(const SettingsFile &settings)
{
    std::array<QString, kToolCount> names;
    for (int i = 0; i < kToolCount; ++i)
        names[size_t(i)] = settings.readString(ToolKey(ToolField::Name, i));
    return names;
}

} // namespace corvane
