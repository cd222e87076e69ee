#include "core/launch/launch_plan.h"

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

namespace {
// The file that a program box names as a whole: an absolute path, or one
// under the home folder written with "~/". Empty for anything else.
QString wholeProgramFile(const QString &program)
{
    QString path = program.trimmed();
    if (path.startsWith(QLatin1String("~/")))
        path = QDir::homePath() + path.mid(1);
    if (!QDir::isAbsolutePath(path) || !QFileInfo(path).isFile())
        return {};
    return path;
}
} // namespace

LaunchPlan PlanLaunch(const ToolCommand &command)
{
    LaunchPlan plan;
    const QList<CommandPiece> pieces =
        QList<CommandPiece>{CommandPiece{command.program + QLatin1Char(' '), std::nullopt}} +
        command.arguments;
    // "cmd /c" first: no file may stand in for the shell.
    plan.shellPieces = ShellCommandPieces(pieces);
    if (plan.shellPieces)
        return plan;
    // A path such as "/opt/my tools/conv" or "C:\Program Files\x\conv.exe"
    // needs no quotes.
    const QString program = wholeProgramFile(command.program);
    if (!program.isEmpty()) {
        plan.words = QStringList{program} + SplitCommandWords(command.arguments);
        return plan;
    }
    plan.words = SplitCommandWords(pieces);
    if (!plan.words.isEmpty() && plan.words.first().isEmpty())
        plan.words.clear();
    return plan;
}

} // namespace corvane
