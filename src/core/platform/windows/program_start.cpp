#include "core/platform/program_start.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdio>

namespace corvane {

QStringList ProgramArguments(int, char **)
{
    QStringList arguments;
    int count = 0;
    wchar_t **words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!words)
        return arguments;
    for (int i = 0; i < count; ++i)
        arguments << QString::fromWCharArray(words[i]);
    ::LocalFree(words);
    return arguments;
}

QString DisplayProblem()
{
    return QString();
}

void UseParentConsole()
{
    // A program with windows starts without a console; printing goes to
    // the console of the command prompt that started it, when there is one
    // and the output is not already going somewhere (a pipe, a file).
    if (::GetStdHandle(STD_OUTPUT_HANDLE) || !::AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    FILE *stream = nullptr;
    freopen_s(&stream, "CONOUT$", "w", stdout);
    freopen_s(&stream, "CONOUT$", "w", stderr);
}

} // namespace corvane
