// Times the options dialog's save: the forty profile keys written in its
// order through the settings routines, each write a complete atomic save of
// config.ini. Three cases: the first save (no file yet), a save that changes
// every value, and a save that changes none.
//
//   bench_settings [repeats] [folder]     (default 21, a new temporary folder)

#include "core/platform/data_folder.h"
#include "core/settings/settings_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace corvane;

namespace {

QString key(const char *prefix, int index)
{
    return QLatin1String(prefix) + QString::number(index) + QLatin1Char(')');
}

void saveOptions(int round)
{
    const QString mark = QString::number(round);
    for (int i = 0; i < 8; ++i) {
        WriteStringSetting(key("Text1(", i), QStringLiteral("工具 %1 ").arg(i) + mark);
        WriteStringSetting(key("Text2(", i), QStringLiteral("/usr/local/bin/tool%1").arg(i));
        WriteStringSetting(key("Text3(", i),
                           QStringLiteral("$SPath$$SName$ -o $DPath$$SNameNo$.%1 -q ").arg(i) +
                               mark);
        WriteIntSetting(key("Check1(", i), round % 2);
        WriteIntSetting(key("Check2(", i), (round + i) % 2);
    }
}

struct Figures {
    double median = 0;
    double fastest = 0;
    double slowest = 0;
};

Figures measure(int repeats, const std::function<void()> &prepare, const std::function<void()> &run)
{
    std::vector<double> times;
    for (int i = 0; i < repeats; ++i) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        run();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front(), times.back()};
}

void print(const char *name, const Figures &figures)
{
    std::printf("%-28s median %7.2f ms  (fastest %.2f, slowest %.2f)  %.3f ms per key\n", name,
                figures.median, figures.fastest, figures.slowest, figures.median / 40);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int repeats = args.size() > 1 ? std::max(1, args[1].toInt()) : 21;
    QTemporaryDir temporary(args.size() > 2
                                ? args[2] + QStringLiteral("/bench_settings-XXXXXX")
                                : QDir::tempPath() + QStringLiteral("/bench_settings-XXXXXX"));
    if (!temporary.isValid()) {
        std::fprintf(stderr, "cannot create a temporary folder\n");
        return 1;
    }
    SetDataFolder(temporary.path());
    const QString config = ConfigPath();
    std::printf("%s, %d repeats\n", qPrintable(config), repeats);

    int round = 0;
    print("first save (no file)",
          measure(
              repeats, [&] { QFile::remove(config); }, [&] { saveOptions(++round); }));
    print("save, every value changed",
          measure(
              repeats, [&] { saveOptions(++round); }, [&] { saveOptions(++round); }));
    print("save, nothing changed",
          measure(
              repeats, [&] { saveOptions(++round); }, [&] { saveOptions(round); }));
    return 0;
}
