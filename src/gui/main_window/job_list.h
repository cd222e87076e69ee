#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QSortFilterProxyModel>
#include <QString>

namespace corvane {

// One entry of the job list: a file name and the folder it was taken from.
struct JobEntry final {
    QString name;
    QString folder;
};

// The job list as one model of (name, folder) pairs: column 0 is what the
// job list shows, column 1 the folder of each entry, never shown, so the two can never
// disagree. Entries keep the order in which they were added; duplicates are
// kept.
class JobList final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { NameColumn = 0, FolderColumn = 1 };

    using QAbstractTableModel::QAbstractTableModel;
    Q_DISABLE_COPY_MOVE(JobList)

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    int count() const { return int(m_entries.size()); }
    const QString &name(int index) const { return m_entries.at(index).name; }
    const QString &folder(int index) const { return m_entries.at(index).folder; }
    const QList<JobEntry> &entries() const { return m_entries; }

    void append(const QList<JobEntry> &entries);
    void removeAt(int index);
    // Removes every entry i with marked[i] set, in one pass; marked holds
    // one flag per entry.
    void removeMarked(const QList<bool> &marked);
    void clear();

private:
    QList<JobEntry> m_entries;
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
