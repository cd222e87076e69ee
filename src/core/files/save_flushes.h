#pragma once

namespace corvane {

// How many times atomic saves have flushed a file or a folder to disk in
// this process: what a save costs on a slow disk (benchmarks print it).
int AtomicSaveFlushCount();
// Counts one flush; called by the implementations of WriteFileAtomically.
void CountAtomicSaveFlush();

} // namespace corvane
