// Writes one key of a settings file over and over, alternating between two
// values, until it is killed. Prints "ready" once the first write is done.
//
//   settings_writer <file> <key> <value A> <value B>

#include "core/settings/settings_file.h"

#include <QString>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: settings_writer FILE KEY VALUE_A VALUE_B\n");
        return 2;
    }
    const corvane::SettingsFile file(QString::fromLocal8Bit(argv[1]));
    const QString key = QString::fromLocal8Bit(argv[2]);
    const QString values[2] = {QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4])};
    for (unsigned long count = 0;; ++count) {
        if (!file.writeString(key, values[count % 2]))
            return 1;
        if (count == 0) {
            std::puts("ready");
            std::fflush(stdout);
        }
    }
}
