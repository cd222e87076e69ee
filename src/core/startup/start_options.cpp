#include "core/startup/start_options.h"

#include "core/settings/active_tool.h"

#include <QCommandLineParser>

namespace corvane {

namespace {

// Options of Qt's windowing, with whether each takes a value. QApplication
// reads them from the same arguments, with one dash or two.
struct QtOption {
    const char *name;
    bool takesValue;
};
constexpr QtOption kQtOptions[] = {
    {"platform", true},      {"platformpluginpath", true},
    {"platformtheme", true}, {"plugin", true},
    {"qmljsdebugger", true}, {"qwindowgeometry", true},
    {"qwindowicon", true},   {"qwindowtitle", true},
    {"session", true},       {"display", true},
    {"geometry", true},      {"style", true},
    {"stylesheet", true},    {"name", true},
    {"title", true},         {"reverse", false},
    {"widgetcount", false},  {"nograb", false},
    {"dograb", false},       {"sync", false},
};

// The arguments without Qt's windowing options, up to a "--".
QStringList withoutQtOptions(const QStringList &arguments)
{
    QStringList kept;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--")) {
            kept += arguments.mid(i);
            break;
        }
        QStringView name(argument);
        if (i == 0 || !name.startsWith(QLatin1Char('-'))) {
            kept << argument;
            continue;
        }
        name = name.mid(name.startsWith(QLatin1String("--")) ? 2 : 1);
        const qsizetype equals = name.indexOf(QLatin1Char('='));
        const QStringView bare = equals < 0 ? name : name.left(equals);
        const QtOption *found = nullptr;
        for (const QtOption &option : kQtOptions) {
            if (bare == QLatin1String(option.name))
                found = &option;
        }
        if (!found) {
            kept << argument;
            continue;
        }
        if (found->takesValue && equals < 0)
            ++i; // its value
    }
    return kept;
}

// The option as the user typed it, without a value after "=".
QString spelledAsGiven(const QStringList &arguments, const QString &name)
{
    for (const QString &argument : arguments) {
        const QString option = argument.section(QLatin1Char('='), 0, 0);
        if (option == QLatin1Char('-') + name || option == QLatin1String("--") + name)
            return option;
    }
    return QStringLiteral("--") + name;
}

StartOptions badUsage(const QString &error)
{
    StartOptions options;
    options.mode = StartMode::BadUsage;
    options.error = error + QStringLiteral("（用 --help 查看用法）");
    return options;
}

} // namespace

StartOptions ParseStartArguments(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")}, QString());
    const QCommandLineOption run(QStringLiteral("run"), QString());
    const QCommandLineOption tool(QStringLiteral("tool"), QString(), QStringLiteral("tool"));
    const QCommandLineOption dest(QStringLiteral("dest"), QString(), QStringLiteral("dest"));
    const QCommandLineOption jobs(QStringLiteral("jobs"), QString(), QStringLiteral("jobs"));
    const QCommandLineOption report(QStringLiteral("report"), QString(), QStringLiteral("report"));
    parser.addOptions({help, version, run, tool, dest, jobs, report});

    if (!parser.parse(withoutQtOptions(arguments))) {
        const QStringList unknown = parser.unknownOptionNames();
        if (!unknown.isEmpty())
            return badUsage(
                QStringLiteral("未知选项：%1").arg(spelledAsGiven(arguments, unknown.first())));
        // An option given without its value.
        for (const QCommandLineOption &option : {tool, dest, jobs, report}) {
            if (arguments.contains(QStringLiteral("--") + option.names().first()))
                return badUsage(QStringLiteral("选项 --%1 缺少值").arg(option.names().first()));
        }
        return badUsage(parser.errorText());
    }

    StartOptions options;
    if (parser.isSet(help)) {
        options.mode = StartMode::Help;
        return options;
    }
    if (parser.isSet(version)) {
        options.mode = StartMode::Version;
        return options;
    }
    options.paths = parser.positionalArguments();
    if (!parser.isSet(run)) {
        for (const QCommandLineOption &option : {tool, dest, jobs, report}) {
            if (parser.isSet(option))
                return badUsage(
                    QStringLiteral("选项 --%1 只用于 --run").arg(option.names().first()));
        }
        return options;
    }

    options.mode = StartMode::Run;
    options.tool = parser.value(tool);
    options.destination = parser.value(dest);
    options.reportPath = parser.value(report);
    if (parser.isSet(jobs)) {
        bool number = false;
        const int count = parser.value(jobs).toInt(&number);
        if (!number || count < 1 || count > kMaxJobs)
            return badUsage(QStringLiteral("--jobs 须为 1 至 %1 的整数：%2")
                                .arg(kMaxJobs)
                                .arg(parser.value(jobs)));
        options.jobs = count;
    }
    for (const QCommandLineOption &option : {tool, dest, report}) {
        if (parser.isSet(option) && parser.value(option).isEmpty())
            return badUsage(QStringLiteral("选项 --%1 的值为空").arg(option.names().first()));
    }
    if (options.paths.isEmpty())
        return badUsage(QStringLiteral("--run 需要至少一个文件或文件夹"));
    return options;
}

QString StartUsageText()
{
    return QStringLiteral(
        "用法：corvane [文件或文件夹...]\n"
        "      corvane --run [--tool 工具] [--dest 文件夹] [--jobs 数目] [--report 文件]\n"
        "              文件或文件夹...\n"
        "\n"
        "不带参数时打开窗口。给出文件或文件夹时，把它们加入任务列表（文件夹加入其中\n"
        "符合文件名筛选的文件，不含子文件夹）；Corvane 已在运行时，交给正在运行的窗口。\n"
        "\n"
        "选项：\n"
        "  --run            不开窗口，用保存的工具处理给出的文件，然后退出\n"
        "  --tool 工具      工具的编号 0-7（同 config.ini）或名称；默认为当前工具\n"
        "  --dest 文件夹    文件存储路径；默认为当前文件夹\n"
        "  --jobs 数目      同时运行的命令数（1-64）；默认为工具的设置\n"
        "  --report 文件    捕获输出时报告写到此文件；默认为数据文件夹中的 report.txt\n"
        "  -h, --help       显示此帮助并退出\n"
        "  -v, --version    显示版本并退出\n"
        "  --               其后的参数都是文件或文件夹，即使以 - 开头\n"
        "\n"
        "--run 的退出状态：0 全部成功；1 有条目未成功或无法开始；2 用法错误；\n"
        "130 被 Ctrl+C 停止；143 被 SIGTERM 停止。\n");
}

} // namespace corvane
