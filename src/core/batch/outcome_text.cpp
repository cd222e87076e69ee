#include "core/batch/outcome_text.h"

#include "core/launch/launcher.h"

#include <QStringList>

#include <algorithm>
#include <utility>

namespace corvane {

OutcomeText DescribeResult(const BatchEntryResult &result)
{
    using Outcome = BatchEntryResult::Outcome;
    switch (result.outcome) {
    case Outcome::Succeeded:
        return {QStringLiteral("成功"), QStringLiteral("成功")};
    case Outcome::Failed:
        return {QStringLiteral("退出码 %1").arg(result.exitCode),
                QStringLiteral("失败，退出码 %1").arg(result.exitCode)};
    case Outcome::Signalled:
        return {QStringLiteral("已终止"),
                QStringLiteral("被信号 %1 终止").arg(SignalName(result.signal))};
    case Outcome::NotStarted:
        return {QStringLiteral("未启动"), QStringLiteral("未能启动")};
    case Outcome::NotRun:
        break;
    }
    return {QStringLiteral("未运行"), QStringLiteral("未运行")};
}

bool IsFailure(const BatchEntryResult &result)
{
    return result.outcome != BatchEntryResult::Outcome::Succeeded;
}

QString DurationText(qint64 milliseconds)
{
    if (milliseconds < 60 * 1000)
        return QStringLiteral("%1 秒").arg(double(milliseconds) / 1000.0, 0, 'f', 1);
    const qint64 seconds = (milliseconds + 500) / 1000;
    if (seconds < 3600)
        return QStringLiteral("%1 分 %2 秒").arg(seconds / 60).arg(seconds % 60);
    return QStringLiteral("%1 小时 %2 分 %3 秒")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60)
        .arg(seconds % 60);
}

QString OutcomeCounts(const QList<BatchEntryResult> &results)
{
    using Outcome = BatchEntryResult::Outcome;
    const auto count = [&results](Outcome outcome) {
        return int(std::count_if(
            results.cbegin(), results.cend(),
            [outcome](const BatchEntryResult &result) { return result.outcome == outcome; }));
    };
    const std::pair<int, QString> counts[] = {
        {count(Outcome::Failed), QStringLiteral("失败 %1")},
        {count(Outcome::Signalled), QStringLiteral("被信号终止 %1")},
        {count(Outcome::NotStarted), QStringLiteral("未启动 %1")},
        {count(Outcome::NotRun), QStringLiteral("未运行 %1")}};
    int unsuccessful = 0;
    QStringList parts;
    for (const auto &[number, text] : counts) {
        unsuccessful += number;
        if (number > 0)
            parts.append(text.arg(number));
    }
    if (unsuccessful == 0)
        return QStringLiteral("%1 个条目全部成功").arg(results.size());
    return QStringLiteral("%1 个条目中 %2 个未成功：%3")
        .arg(results.size())
        .arg(unsuccessful)
        .arg(parts.join(QStringLiteral("，")));
}

QString BatchTimeText(qint64 elapsedMs)
{
    return QStringLiteral("共用时 ") + DurationText(elapsedMs);
}

QString BatchSummary(const QList<BatchEntryResult> &results, qint64 elapsedMs)
{
    return OutcomeCounts(results) + QLatin1Char('\n') + BatchTimeText(elapsedMs);
}

} // namespace corvane
