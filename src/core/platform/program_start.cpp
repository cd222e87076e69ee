#include "core/platform/program_start.h"

#include <QProcess>

#include <utility>

namespace corvane {

namespace {
ProgramStarter &installedStarter()
{
    static ProgramStarter starter;
    return starter;
}
} // namespace

bool StartProgram(const QString &path)
{
    const ProgramStarter &starter = installedStarter();
    return starter ? starter(path) : StartProgramDetached(path);
}

ProgramStarter SetProgramStarter(ProgramStarter starter)
{
    return std::exchange(installedStarter(), std::move(starter));
}

bool StartProgramDetached(const QString &path)
{
    if (path.isEmpty())
        return false;
    return QProcess::startDetached(path, QStringList());
}

} // namespace corvane
