#pragma once

#include "core/settings/tool_keys.h"

#include <QObject>
#include <QString>

#include <array>

namespace corvane {

class SettingsFile;

// How many commands of one tool may run at once, at most; a stored number
// outside 1 to this reads as 1.
inline constexpr int kMaxJobs = 64;

// The stored "同时运行" number of a tool as the batch uses it: a missing key,
// 0 and anything out of range read as 1.
int JobsSetting(int storedValue);

// One tool profile as it was loaded.
struct ToolProfile final {
    QString name;               // the name, for the title bar and the menu
    QString program;            // the program box
    QString commandTemplate;    // the command-line template
    bool captureOutput = false; // append the output to report.txt
    bool showConsole = false;   // show the output live in a console window
    int jobs = 1;               // how many of its commands may run at once
};

// The profile of tool index as config.ini holds it now. No range check: an
// index without keys gives an empty tool.
ToolProfile ReadToolProfile(const SettingsFile &settings, int index);

// The active tool: the profile whose index is CurrentTool, as last loaded.
// One object for the program, handed to the main window, the options dialog
// and the batch; changed() tells them when it is loaded anew.
class ActiveTool final : public QObject {
    Q_OBJECT
public:
    explicit ActiveTool(const SettingsFile &settings, QObject *parent = nullptr);
    Q_DISABLE_COPY_MOVE(ActiveTool)

    int index() const { return m_index; }
    const ToolProfile &profile() const { return m_profile; }

    // Makes tool index the active tool, reading its profile afresh.
    void select(int index);
    // Reads the active tool's profile afresh (after a save).
    void reload() { select(m_index); }
    // Puts a profile in place of the loaded one, as if it had been read.
    void setProfile(const ToolProfile &profile);

    // The title bar text: "Corvane:  -  " followed by the tool's name.
    QString caption() const;

signals:
    void changed();

private:
    const SettingsFile &m_settings;
    int m_index = 0;
    ToolProfile m_profile;
};

// The title bar text for a tool name: "Corvane:  -  " followed by the name.
QString MainCaption(const QString &toolName);

// The names that the Tools menu shows: entry i holds the saved name of tool
// i, or an empty string when the caption is to stay as it is.
std::array<QString, kToolCount> ReadToolMenuNames(const SettingsFile &settings);

} // namespace corvane
