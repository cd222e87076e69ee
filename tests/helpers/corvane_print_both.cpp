// Writes to standard output and standard error in the order of its
// arguments, each write a single system call so that the order is exact:
//   out:TEXT   TEXT and a newline to standard output
//   err:TEXT   TEXT and a newline to standard error
//   bulk:N     N lines "bulk NNNNNNN" (13 bytes each) to standard output
// Without arguments: out:out 1, err:err 1, out:out 2, err:err 2.
#include "write_all.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

bool startsWith(const char *text, const char *prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<std::string> steps(argv + 1, argv + argc);
    if (steps.empty())
        steps = {"out:out 1", "err:err 1", "out:out 2", "err:err 2"};
    for (const std::string &step : steps) {
        const char *text = step.c_str();
        bool written = true;
        if (startsWith(text, "out:")) {
            written = writeAll(STDOUT_FILENO, std::string(text + 4) + "\n");
        } else if (startsWith(text, "err:")) {
            written = writeAll(STDERR_FILENO, std::string(text + 4) + "\n");
        } else if (startsWith(text, "bulk:")) {
            const long lines = std::strtol(text + 5, nullptr, 10);
            std::string block;
            char line[32];
            for (long i = 0; i < lines; ++i) {
                std::snprintf(line, sizeof line, "bulk %07ld\n", i);
                block += line;
            }
            written = writeAll(STDOUT_FILENO, block);
        } else {
            writeAll(STDERR_FILENO, "corvane_print_both: unknown step " + step + "\n");
            return 2;
        }
        if (!written)
            return 3;
    }
    return 0;
}
