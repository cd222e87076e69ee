#include "core/platform/standard_streams.h"

namespace corvane {

// A Windows program holds no numbered descriptors that a file could take
// over, and the launcher hands every command NUL or a pipe for each of its
// three standard handles.
void EnsureStandardStreams()
{
}

} // namespace corvane
