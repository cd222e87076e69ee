#pragma once

// Shared by the helper programs: writes all of text to a file descriptor
// (1 and 2 are standard output and standard error), byte for byte.

#include <string>

bool writeAll(int fd, const std::string &text);
