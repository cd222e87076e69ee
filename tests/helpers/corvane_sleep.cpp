// Sleeps for the number of milliseconds given as its argument, then exits 0.
#include <chrono>
#include <cstdlib>
#include <thread>

int main(int argc, char **argv)
{
    const long milliseconds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    return 0;
}
