#pragma once

#include "core/command/command_line.h"
#include "core/launch/launcher.h"

#include <QString>

namespace corvane {

struct ToolProfile;

// What a tool runs for one job entry: the command, with the values apart
// from the typed text, and the line as the user reads it (with the capture
// wrapper when the tool captures). Built here for the batch and for the
// window's preview alike, so that what the window shows is what runs.
struct EntryCommand final {
    ToolCommand command;
    QString commandLine;
};

// Folders go in the system's own spelling (backslashes on Windows), as the
// tool and the user expect them.
EntryCommand BuildEntryCommand(const ToolProfile &tool, const QString &fileName,
                               const QString &folder, int index, const QString &destination,
                               const QString &reportPath);

// The launch of one job entry as the batch asks for it: the entry's command,
// run in the destination folder, captured and shown as the tool says. The
// output handler is the caller's to set.
LaunchRequest BuildEntryRequest(const ToolProfile &tool, const QString &fileName,
                                const QString &folder, int index, const QString &destination,
                                const QString &reportPath);

} // namespace corvane
