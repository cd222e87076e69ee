#include "gui/main_window/job_list.h"

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
    if (!index.isValid() || index.row() >= count() ||
        (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return QVariant();
    const JobEntry &entry = m_entries.at(index.row());
    if (role == Qt::ToolTipRole)
        return entry.folder;
    return index.column() == NameColumn ? entry.name : entry.folder;
}

void JobList::append(const QList<JobEntry> &entries)
{
    if (entries.isEmpty())
        return;
    beginInsertRows(QModelIndex(), count(), count() + int(entries.size()) - 1);
    m_entries.append(entries);
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
