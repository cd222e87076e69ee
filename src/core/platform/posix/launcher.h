#pragma once

#include "core/launch/launcher.h"

namespace corvane {

// How the POSIX launcher notices that a command has ended. Either way the
// end arrives as an event on a descriptor that the event loop watches.
enum class ExitNotice {
    // A pidfd, which becomes readable when the process ends; a waiter thread
    // where the kernel has no pidfds (before Linux 5.3).
    Automatic,
    // Always a waiter thread: it blocks in waitid() without reaping and
    // closes a pipe when the process has ended. Tests use it to cover the
    // fallback on any kernel.
    WaiterThread,
};

// The launcher of POSIX systems: splits the line into words and starts the
// program itself (only a line beginning with "cmd /c" goes to /bin/sh),
// with /dev/null as standard input and the output appended to the report
// or shown in a console view.
std::unique_ptr<Launcher> CreatePosixLauncher(ExitNotice notice = ExitNotice::Automatic);

} // namespace corvane
