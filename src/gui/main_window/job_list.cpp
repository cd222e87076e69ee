#include "gui/main_window/job_list.h"

#include "core/files/file_name.h"

#include <algorithm>

namespace corvane {

namespace {
// Up to this many separate runs are removed one by one, so that views keep
// their scroll position and current entry; more runs would cost quadratic
// time, so the list is rebuilt in one pass instead.
constexpr int kMaxSeparateRuns = 16;

struct Run {
    int first;
    int last;
};
} // namespace

int JobList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

int JobList::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant JobList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count())
        return QVariant();
    const JobEntry &entry = m_entries.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return DisplayedFileName(index.column() == NameColumn ? entry.name : entry.folder);
    case Qt::ToolTipRole:
        return toolTip(index.row());
    case Qt::AccessibleDescriptionRole:
        return DescribeOutcome(entry.outcome).description;
    case OutcomeBadgeRole:
        return DescribeOutcome(entry.outcome).badge;
    case OutcomeFailedRole:
        return entry.outcome.result && IsFailure(*entry.outcome.result);
    case OutcomeRunningRole:
        return entry.outcome.running;
    default:
        return QVariant();
    }
}

QString JobList::toolTip(int index) const
{
    // The line, then how long it ran and, for a command a signal ended,
    // which signal.
    QString tip = DisplayedFileName(commandLine(index));
    const std::optional<BatchEntryResult> &result = m_entries.at(index).outcome.result;
    if (result && result->elapsedMs >= 0)
        tip += QStringLiteral("\n用时 ") + DurationText(result->elapsedMs);
    if (result && result->outcome == BatchEntryResult::Outcome::Signalled)
        tip += QStringLiteral("\n") + DescribeOutcome(m_entries.at(index).outcome).description;
    return tip;
}

QString JobList::commandLine(int index) const
{
    const JobEntry &entry = m_entries.at(index);
    if (entry.outcome.result && !entry.outcome.result->commandLine.isEmpty())
        return entry.outcome.result->commandLine;
    return m_preview ? m_preview(index) : QString();
}

QString JobList::shellLine(int index) const
{
    const JobEntry &entry = m_entries.at(index);
    if (entry.outcome.result && !entry.outcome.result->shellLine.isEmpty())
        return entry.outcome.result->shellLine;
    return m_shellPreview ? m_shellPreview(index) : QString();
}

int JobList::indexOfKey(quint64 key) const
{
    const auto found =
        std::lower_bound(m_entries.cbegin(), m_entries.cend(), key,
                         [](const JobEntry &entry, quint64 wanted) { return entry.key < wanted; });
    return found != m_entries.cend() && found->key == key ? int(found - m_entries.cbegin()) : -1;
}

QList<quint64> JobList::unsuccessfulKeys() const
{
    QList<quint64> keys;
    for (const JobEntry &entry : m_entries) {
        if (entry.outcome.result && IsFailure(*entry.outcome.result))
            keys.append(entry.key);
    }
    return keys;
}

void JobList::clearOutcomes(const QList<quint64> &keys)
{
    for (const quint64 key : keys) {
        const int i = indexOfKey(key);
        if (i < 0)
            continue;
        JobOutcome &outcome = m_entries[i].outcome;
        if (outcome.running || outcome.result) {
            outcome = JobOutcome{};
            outcomeChanged(i);
        }
    }
}

void JobList::setRunning(quint64 key)
{
    const int index = indexOfKey(key);
    if (index < 0)
        return;
    m_entries[index].outcome = JobOutcome{true, std::nullopt};
    outcomeChanged(index);
}

void JobList::setResult(quint64 key, const BatchEntryResult &result)
{
    const int index = indexOfKey(key);
    if (index < 0)
        return;
    m_entries[index].outcome = JobOutcome{false, result};
    outcomeChanged(index);
}

void JobList::outcomeChanged(int index)
{
    emit dataChanged(this->index(index, NameColumn), this->index(index, NameColumn));
}

OutcomeText DescribeOutcome(const JobOutcome &outcome)
{
    if (outcome.running)
        return {QStringLiteral("运行中"), QStringLiteral("正在运行")};
    if (!outcome.result)
        return {};
    return DescribeResult(*outcome.result);
}

void JobList::append(const QList<JobEntry> &entries)
{
    if (entries.isEmpty())
        return;
    beginInsertRows(QModelIndex(), count(), count() + int(entries.size()) - 1);
    for (const JobEntry &entry : entries) {
        m_entries.append(entry);
        m_entries.last().key = m_nextKey++;
    }
    endInsertRows();
}

void JobList::removeAt(int index)
{
    beginRemoveRows(QModelIndex(), index, index);
    m_entries.removeAt(index);
    endRemoveRows();
}

void JobList::removeMarked(const QList<bool> &marked)
{
    const int total = count();
    QList<Run> runs;
    for (int i = 0; i < total && runs.size() <= kMaxSeparateRuns; ++i) {
        if (!marked.value(i))
            continue;
        if (!runs.isEmpty() && runs.last().last == i - 1)
            runs.last().last = i;
        else
            runs.append(Run{i, i});
    }
    if (runs.isEmpty())
        return;

    if (runs.size() <= kMaxSeparateRuns) {
        // From the end, so the runs still to go keep their positions.
        for (auto run = runs.crbegin(); run != runs.crend(); ++run) {
            beginRemoveRows(QModelIndex(), run->first, run->last);
            m_entries.remove(run->first, run->last - run->first + 1);
            endRemoveRows();
        }
        return;
    }

    beginResetModel();
    QList<JobEntry> kept;
    kept.reserve(total);
    for (int i = 0; i < total; ++i) {
        if (!marked.value(i))
            kept.append(std::move(m_entries[i]));
    }
    m_entries = std::move(kept);
    endResetModel();
}

void JobList::clear()
{
    if (m_entries.isEmpty())
        return;
    beginResetModel();
    m_entries.clear();
    endResetModel();
}

JobNameList::JobNameList(JobList *jobs) : QSortFilterProxyModel(jobs)
{
    setSourceModel(jobs);
}

bool JobNameList::filterAcceptsColumn(int column, const QModelIndex &parent) const
{
    return !parent.isValid() && column == JobList::NameColumn;
}

} // namespace corvane
