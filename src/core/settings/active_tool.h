#pragma once

#include <QString>

#include <array>
#include <functional>

namespace corvane {

// The number of tool profiles (indices 0 to 7).
inline constexpr int kToolCount = 8;

// The active tool: the profile whose index is `index`, as last loaded.
// One instance for the whole program, shared by the main window, the batch
// run and the options dialog.
struct ActiveToolState final {
    int index = 0;              // CurrentTool in config.ini
    QString program;            // the program box
    QString commandTemplate;    // the command-line template
    bool captureOutput = false; // append the output to report.txt
    bool showConsole = false;   // show the output live in a console window
    int jobs = 1;               // how many of its commands may run at once
};

// How many commands of one tool may run at once, at most; a stored number
// outside 1 to this reads as 1.
inline constexpr int kMaxJobs = 64;

// The stored "同时运行" number of a tool as the batch uses it: a missing key,
// 0 and anything out of range read as 1.
int JobsSetting(int storedValue);

ActiveToolState &ActiveTool();

// Settings key of a profile field: prefix, index in decimal, ")".
QString ToolKey(const char *prefix, int index);

// Title bar text for a tool name: "Corvane:  -  " followed by the name.
QString MainCaption(const QString &toolName);

// Receives the main window caption that LoadActiveTool produces.
using CaptionSink = std::function<void(const QString &caption)>;
void SetCaptionSink(CaptionSink sink);

// Loads the profile with the active tool's index from config.ini into the active
// tool, reading the file afresh, and hands the new caption to the caption
// sink. Returns the caption. No range check: an index without keys loads an
// empty tool.
QString LoadActiveTool();

// The names that the Tools menu shows: entry i holds the saved name of tool
// i, or an empty string when the caption is to stay as it is.
std::array<QString, kToolCount> ReadToolMenuNames();

} // namespace corvane
