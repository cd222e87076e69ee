#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QTextStream;

namespace corvane {

// A batch asked for on the command line, to run without a window.
struct HeadlessRequest final {
    // Files or folders as given; relative ones from the current folder.
    QStringList paths;
    // Empty: the active tool (CurrentTool in config.ini); else a number 0-7
    // as in config.ini, or a tool's name.
    QString tool;
    // Empty: the current folder.
    QString destination;
    // Overrides the tool's "同时运行" number (1 to 64).
    std::optional<int> jobs;
    // Empty: report.txt in the data folder, as the window's batch.
    QString reportPath;
    // Where config.ini is.
    QString dataFolder;
};

// The exit statuses of a headless run; one that a signal stopped ends with
// 128 and the signal's number (130 for SIGINT, 143 for SIGTERM).
inline constexpr int kHeadlessSucceeded = 0;
// An entry did not succeed, or something stood in the way of the batch.
inline constexpr int kHeadlessFailed = 1;
// The request itself is wrong: a tool that does not exist, a "同时运行"
// number out of range, no paths at all.
inline constexpr int kHeadlessBadUsage = 2;

// Runs the request's files as the window's "处理" runs its job list, with
// the same BatchRun: the same commands, the same report (never opened), and
// the report's lock. Files and folders are added as a drop on the job list
// adds them. Prints one line per entry to out as it ends, and a summary at
// the end; problems go to err, one line each, and so does a progress line
// when standard error is a terminal. SIGINT and SIGTERM (Ctrl+C, Ctrl+Break
// and closing the console on Windows) stop the batch as "停止处理" does.
// Takes no single-instance lock: it may run beside a window and other
// headless runs. Needs a QCoreApplication (the program's QApplication will
// do) and spins its own event loop; returns the exit status.
int RunHeadless(const HeadlessRequest &request, QTextStream &out, QTextStream &err);

} // namespace corvane
