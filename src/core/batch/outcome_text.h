#pragma once

#include "core/batch/batch_run.h"

#include <QList>
#include <QString>

namespace corvane {

// How an entry's result reads: the short text of its badge in the job list,
// and a sentence for assistive technology and the console.
struct OutcomeText final {
    QString badge;
    QString description;
};
OutcomeText DescribeResult(const BatchEntryResult &result);

// Whether an entry did not succeed.
bool IsFailure(const BatchEntryResult &result);

// A length of time as the user reads it: "0.4 秒", "2 分 5 秒".
QString DurationText(qint64 milliseconds);

// What a batch came to: "5 个条目全部成功" or "5 个条目中 1 个未成功：失败 1".
QString OutcomeCounts(const QList<BatchEntryResult> &results);
// How long it took: "共用时 0.4 秒".
QString BatchTimeText(qint64 elapsedMs);
// Both, one below the other, as the window's status tooltip shows them.
QString BatchSummary(const QList<BatchEntryResult> &results, qint64 elapsedMs);

} // namespace corvane
