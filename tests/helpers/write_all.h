#pragma once

// Shared by the helper programs: writes all of text to a file descriptor.

#include <string>

#include <unistd.h>

inline bool writeAll(int fd, const std::string &text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t count = write(fd, text.data() + done, text.size() - done);
        if (count <= 0)
            return false;
        done += size_t(count);
    }
    return true;
}
