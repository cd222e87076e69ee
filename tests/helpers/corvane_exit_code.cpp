// Exits with the status given as its argument (0 without one).
#include <cstdlib>

int main(int argc, char **argv)
{
    return argc > 1 ? int(std::strtol(argv[1], nullptr, 10)) : 0;
}
