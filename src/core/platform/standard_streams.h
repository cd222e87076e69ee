#pragma once

namespace corvane {

// Gives the program all three standard streams before anything else opens a
// file. A program started with one of them closed (as some launchers do)
// would otherwise hand its next opened file out under that number, and the
// commands it starts would lack that stream or get a file of Corvane's in
// its place. On POSIX systems each of descriptors 0, 1 and 2 that is closed
// is opened on /dev/null (0 for reading, 1 and 2 for writing); on Windows
// nothing is needed, as the launcher gives every command its three handles.
void EnsureStandardStreams();

// Whether standard error goes to a terminal (POSIX) or a console window
// (Windows), where a line that rewrites itself shows progress; not a file
// or a pipe.
bool StandardErrorIsTerminal();

} // namespace corvane
