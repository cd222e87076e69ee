#include "write_all.h"

#include <unistd.h>

bool writeAll(int fd, const std::string &text)
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
