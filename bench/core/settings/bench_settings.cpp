// Times the options dialog's save: the forty profile keys written in its
// order in one atomic save of config.ini, and counts the flushes to disk per
// save (target: at most 2, however slow the disk). Three cases: the first
// save (no file yet), a save that changes every value, and a save that
// changes none. Then start-up's reads (the active tool and the Tools menu)
// from a 4 MB config.ini of lines without "=".
//
//   bench_settings [repeats] [folder]     (default 21, a new temporary folder)

#include "core/files/save_flushes.h"
#include "core/platform/atomic_file.h"
#include "core/settings/active_tool.h"
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

void saveOptions(const SettingsFile &settings, int round)
{
    const QString mark = QString::number(round);
    QList<SettingValue> values;
    for (int i = 0; i < 8; ++i) {
        values.append(
            SettingValue::string(key("Text1(", i), QStringLiteral("工具 %1 ").arg(i) + mark));
        values.append(
            SettingValue::string(key("Text2(", i), QStringLiteral("/usr/local/bin/tool%1").arg(i)));
        values.append(SettingValue::string(
            key("Text3(", i),
            QStringLiteral("$SPath$$SName$ -o $DPath$$SNameNo$.%1 -q ").arg(i) + mark));
        values.append(SettingValue::integer(key("Check1(", i), round % 2));
        values.append(SettingValue::integer(key("Check2(", i), (round + i) % 2));
    }
    settings.writeAll(values);
}

struct Figures {
    double median = 0;
    double fastest = 0;
    double slowest = 0;
    double flushesPerRun = 0;
};

Figures measure(int repeats, const std::function<void()> &prepare, const std::function<void()> &run)
{
    std::vector<double> times;
    int flushes = 0;
    for (int i = 0; i < repeats; ++i) {
        prepare();
        const int flushesBefore = AtomicSaveFlushCount();
        QElapsedTimer timer;
        timer.start();
        run();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        flushes += AtomicSaveFlushCount() - flushesBefore;
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.front(), times.back(), double(flushes) / repeats};
}

void print(const char *name, const Figures &figures)
{
    std::printf("%-28s median %7.2f ms  (fastest %.2f, slowest %.2f)  %.1f flushes per save\n",
                name, figures.median, figures.fastest, figures.slowest, figures.flushesPerRun);
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
    const SettingsFile settings(ConfigPathIn(temporary.path()));
    const QString config = settings.path();
    std::printf("%s, %d repeats\n", qPrintable(config), repeats);

    int round = 0;
    print("first save (no file)",
          measure(
              repeats, [&] { QFile::remove(config); }, [&] { saveOptions(settings, ++round); }));
    print("save, every value changed", measure(
                                           repeats, [&] { saveOptions(settings, ++round); },
                                           [&] { saveOptions(settings, ++round); }));
    print("save, nothing changed", measure(
                                       repeats, [&] { saveOptions(settings, ++round); },
                                       [&] { saveOptions(settings, round); }));

    // Lines without "=", 4 MB of them, then the keys that start-up reads.
    QByteArray junk;
    while (junk.size() < 4 * 1024 * 1024)
        junk += "this line has no equals sign at all, only words and more words\n";
    print("start-up reads, 4 MB junk",
          measure(
              repeats,
              [&] {
                  QFile file(config);
                  file.open(QIODevice::WriteOnly);
                  file.write("[StringSection]\n" + junk + "Text1(0)=Convert\n");
              },
              [&] {
                  ActiveTool tool(settings);
                  tool.select(0);
                  ReadToolMenuNames(settings);
              }));
    return 0;
}
