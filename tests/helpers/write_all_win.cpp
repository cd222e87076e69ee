#include "write_all.h"

#include <fcntl.h>
#include <io.h>

bool writeAll(int fd, const std::string &text)
{
    // Binary mode: the C runtime would otherwise turn each "\n" into "\r\n".
    _setmode(fd, _O_BINARY);
    size_t done = 0;
    while (done < text.size()) {
        const int count = _write(fd, text.data() + done, unsigned(text.size() - done));
        if (count <= 0)
            return false;
        done += size_t(count);
    }
    return true;
}
