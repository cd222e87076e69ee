// Sleeps for the number of milliseconds given as its argument, then exits 0.
#include <cerrno>
#include <cstdlib>
#include <ctime>

int main(int argc, char **argv)
{
    const long milliseconds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
    timespec rest{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
    while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
    return 0;
}
