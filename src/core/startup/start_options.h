#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace corvane {

// What the program was started to do.
enum class StartMode {
    Window,   // the window, with the given files in the job list
    Run,      // a batch without a window
    Help,     // print the usage and end
    Version,  // print the version and end
    BadUsage, // print the error and end with status 2
};

// The program's arguments, read. Nothing here opens a file or a window:
// --help and --version must work anywhere.
struct StartOptions final {
    StartMode mode = StartMode::Window;
    // Files and folders, as given.
    QStringList paths;
    // For a run: the tool (a number or a name; empty for the active one),
    // the destination folder (empty for the current one), how many commands
    // at once (none: the tool's own setting) and the report's path (empty
    // for the data folder's).
    QString tool;
    QString destination;
    std::optional<int> jobs;
    QString reportPath;
    // For BadUsage: one line saying what is wrong.
    QString error;
};

// Reads the arguments, the program's path first. Options that Qt's
// windowing reads itself (-platform, -style, ...) are left to it and skipped
// here; everything else that begins with "-" before "--" must be Corvane's.
StartOptions ParseStartArguments(const QStringList &arguments);

// The usage text that --help prints.
QString StartUsageText();

} // namespace corvane
