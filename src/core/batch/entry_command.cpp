#include "core/batch/entry_command.h"

#include "core/settings/active_tool.h"

#include <QDir>

namespace corvane {

EntryCommand BuildEntryCommand(const ToolProfile &tool, const QString &fileName,
                               const QString &folder, int index, const QString &destination,
                               const QString &reportPath)
{
    const QString sourceFolder = QDir::toNativeSeparators(folder);
    const QString destinationFolder = QDir::toNativeSeparators(destination);
    EntryCommand entry;
    entry.command = ExpandCommand(tool.program, tool.commandTemplate, fileName, sourceFolder, index,
                                  destinationFolder, QDir::separator());
    const QString line = entry.command.text();
    entry.commandLine =
        tool.captureOutput ? CaptureWrapped(line, QDir::toNativeSeparators(reportPath)) : line;
    return entry;
}

LaunchRequest BuildEntryRequest(const ToolProfile &tool, const QString &fileName,
                                const QString &folder, int index, const QString &destination,
                                const QString &reportPath)
{
    EntryCommand entry = BuildEntryCommand(tool, fileName, folder, index, destination, reportPath);
    LaunchRequest request;
    request.command = std::move(entry.command);
    request.commandLine = std::move(entry.commandLine);
    request.capture = tool.captureOutput;
    request.showWindow = tool.showConsole;
    request.workingDirectory = destination;
    return request;
}

} // namespace corvane
