// Records how it was started: every argument, the working directory, what
// standard input gives and which file descriptors are open. The record is
// appended to the file named by CORVANE_ARGV_RECORD, or written to standard
// output when that is not set. Each value is hex-encoded so that any byte,
// newlines included, survives; tests read records back with argv_record.h.
#include "write_all.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string hex(const char *bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (const char *p = bytes; *p; ++p) {
        const auto byte = static_cast<unsigned char>(*p);
        text += digits[byte >> 4];
        text += digits[byte & 0xf];
    }
    return text;
}

// "eof", "data", "blocks" (a read would wait) or "closed".
std::string standardInputState()
{
    pollfd poller{STDIN_FILENO, POLLIN, 0};
    if (poll(&poller, 1, 0) < 0 || (poller.revents & POLLNVAL))
        return "closed";
    if (poller.revents == 0)
        return "blocks";
    char byte;
    const ssize_t count = read(STDIN_FILENO, &byte, 1);
    if (count == 0)
        return "eof";
    return count > 0 ? "data" : "closed";
}

bool standardInputIsDevNull()
{
    struct stat input {};
    struct stat devNull {};
    return fstat(STDIN_FILENO, &input) == 0 && stat("/dev/null", &devNull) == 0 &&
           S_ISCHR(input.st_mode) && input.st_rdev == devNull.st_rdev;
}

std::string openDescriptors()
{
    std::string list;
    DIR *folder = opendir("/proc/self/fd");
    if (!folder)
        return list;
    const int own = dirfd(folder);
    while (const dirent *entry = readdir(folder)) {
        if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == own)
            continue;
        list += ' ';
        list += entry->d_name;
    }
    closedir(folder);
    return list;
}

} // namespace

int main(int argc, char **argv)
{
    std::string record = "corvane-argv-record\n";
    for (int i = 0; i < argc; ++i)
        record += "arg " + hex(argv[i]) + "\n";
    char *folder = getcwd(nullptr, 0);
    record += "cwd " + hex(folder ? folder : "") + "\n";
    std::free(folder);
    record += "stdin " + standardInputState() + "\n";
    record += std::string("stdin-devnull ") + (standardInputIsDevNull() ? "yes" : "no") + "\n";
    // Listed before the record file is opened, so only inherited ones count.
    record += "fds" + openDescriptors() + "\n";
    record += "end\n";

    const char *path = std::getenv("CORVANE_ARGV_RECORD");
    if (path && *path) {
        const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0 || !writeAll(fd, record))
            return 3;
        close(fd);
        return 0;
    }
    return writeAll(STDOUT_FILENO, record) ? 0 : 3;
}
