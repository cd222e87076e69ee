#pragma once

#include "core/batch/batch_run.h"
#include "core/batch/outcome_text.h"

#include <QAbstractTableModel>
#include <QList>
#include <QSortFilterProxyModel>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

namespace corvane {

// What the last batch made of an entry: running now, or its result.
struct JobOutcome final {
    bool running = false;
    std::optional<BatchEntryResult> result;
};

// One entry of the job list: a file name and the folder it was taken from.
struct JobEntry final {
    JobEntry() = default;
    JobEntry(QString fileName, QString fromFolder)
        : name(std::move(fileName)), folder(std::move(fromFolder))
    {
    }

    QString name;
    QString folder;
    JobOutcome outcome;
    // Names the entry while it is in the list (BatchHost::jobKey); given by
    // JobList::append.
    quint64 key = 0;
};

// How an outcome reads: the short text of its badge, and a sentence for
// assistive technology. Both are empty for an entry without an outcome.
OutcomeText DescribeOutcome(const JobOutcome &outcome);

// The job list as one model of (name, folder) pairs: column 0 is what the
// job list shows, column 1 the folder of each entry, never shown, so the two can never
// disagree. Entries keep the order in which they were added; duplicates are
// kept.
class JobList final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NameColumn = 0, FolderColumn = 1 };
    // The badge text of an entry's outcome, and whether that is a failure.
    enum Role { OutcomeBadgeRole = Qt::UserRole, OutcomeFailedRole, OutcomeRunningRole };
    // The command line that a tooltip shows for an entry that has not run:
    // the one that would run now.
    using CommandPreview = std::function<QString(int row)>;

    using QAbstractTableModel::QAbstractTableModel;
    Q_DISABLE_COPY_MOVE(JobList)

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    int count() const { return int(m_entries.size()); }
    const QString &name(int index) const { return m_entries.at(index).name; }
    const QString &folder(int index) const { return m_entries.at(index).folder; }
    quint64 key(int index) const { return m_entries.at(index).key; }
    // The position of the entry with the key; -1 when it is not in the list.
    int indexOfKey(quint64 key) const;
    // The entries whose last outcome was not a success.
    QList<quint64> unsuccessfulKeys() const;

    void append(const QList<JobEntry> &entries);
    void removeAt(int index);
    // Removes every entry i with marked[i] set, in one pass; marked holds
    // one flag per entry.
    void removeMarked(const QList<bool> &marked);
    void clear();

    // Outcomes: cleared at the start of a batch for the entries it runs,
    // set as it goes. They belong to their entries, found by key: removing
    // or adding others never moves them.
    void clearOutcomes(const QList<quint64> &keys);
    void setRunning(quint64 key);
    void setResult(quint64 key, const BatchEntryResult &result);
    void setCommandPreview(CommandPreview preview) { m_preview = std::move(preview); }
    // The same for the line that runs the command in the system's shell.
    void setShellPreview(CommandPreview preview) { m_shellPreview = std::move(preview); }
    // The line that ran for the entry, or the one that would run now.
    QString commandLine(int index) const;
    // Its line for the system's shell, to paste into a terminal: the one
    // that ran, or the one that would run now.
    QString shellLine(int index) const;

private:
    QString toolTip(int index) const;
    void outcomeChanged(int index);

    // In the order added, so their keys ascend.
    QList<JobEntry> m_entries;
    quint64 m_nextKey = 1;
    CommandPreview m_preview;
    CommandPreview m_shellPreview;
};

// The job list as the user sees it: one item per entry, its file name, in the
// list's order. Assistive technology offers every cell of a view's model as
// an item, so the view of the names must not carry the folders as well.
class JobNameList final : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit JobNameList(JobList *jobs);
    Q_DISABLE_COPY_MOVE(JobNameList)

protected:
    bool filterAcceptsColumn(int column, const QModelIndex &parent) const override;
};

} // namespace corvane
