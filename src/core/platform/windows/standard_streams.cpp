#include "core/platform/standard_streams.h"

#include <windows.h>

namespace corvane {

// A Windows program holds no numbered descriptors that a file could take
// over, and the launcher hands every command NUL or a pipe for each of its
// three standard handles.
void EnsureStandardStreams()
{
}

bool StandardErrorIsTerminal()
{
    // Only a console handle has a console mode.
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

} // namespace corvane
