#include "core/platform/launch_plan.h"

#include "core/command/command_words.h"

#include <QDir>
#include <QFileInfo>

namespace corvane {

bool IsProgramPath(const QString &program)
{
    return program.contains(QLatin1Char('/')) || program.contains(QDir::separator());
}

const char *PlaceholderVariable(Placeholder placeholder)
{
    switch (placeholder) {
    case Placeholder::SourcePath:
        return "CORVANE_SPATH";
    case Placeholder::SourceName:
        return "CORVANE_SNAME";
    case Placeholder::DestinationPath:
        return "CORVANE_DPATH";
    case Placeholder::NameWithoutExtension:
        return "CORVANE_SNAMENO";
    case Placeholder::Index:
        break;
    }
    return "CORVANE_INDEX";
}

LaunchPlan PlanLaunch(const ToolCommand &command, const QString &workingDirectory)
{
    LaunchPlan plan;
    // A path such as "/opt/my tools/conv" or "C:\Program Files\x\conv.exe"
    // needs no quotes. Only a path counts: a bare name is looked up.
    const QString program = command.program.trimmed();
    if (IsProgramPath(program) && QFileInfo(QDir(workingDirectory).filePath(program)).isFile()) {
        plan.words = QStringList{program} + SplitCommandWords(command.arguments);
        return plan;
    }
    const QList<CommandPiece> pieces =
        QList<CommandPiece>{CommandPiece{command.program + QLatin1Char(' '), std::nullopt}} +
        command.arguments;
    plan.shellPieces = ShellCommandPieces(pieces);
    if (!plan.shellPieces) {
        plan.words = SplitCommandWords(pieces);
        if (!plan.words.isEmpty() && plan.words.first().isEmpty())
            plan.words.clear();
    }
    return plan;
}

} // namespace corvane
