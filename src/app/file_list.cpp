#include "app/file_list.h"

#include "app/name_list_model.h"
#include "platform/drives.h"
#include "platform/file_pattern.h"

#include <QDir>
#include <QFileInfo>

namespace corvane {

FileList::FileList(QWidget *parent) : QListView(parent), m_model(new NameListModel(this))
{
    setModel(m_model);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUniformItemSizes(true);
}

FileList::~FileList() = default;

bool FileList::setPath(const QString &folder)
{
    const QString path = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    if (!CanOpenFolder(path))
        return false;
    // Without QDir::Hidden, names beginning with '.' stay out; without
    // QDir::System, so do sockets, devices and broken links.
    m_allNames =
        QDir(path).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    m_path = path;
    applyPattern();
    return true;
}

void FileList::setPattern(const QString &pattern)
{
    m_pattern = pattern;
    applyPattern();
}

void FileList::applyPattern()
{
    const FilePattern pattern(m_pattern);
    if (pattern.matchesEverything()) {
        m_model->setNames(m_allNames);
    } else {
        QStringList shown;
        for (const QString &name : std::as_const(m_allNames)) {
            if (pattern.matches(name))
                shown.append(name);
        }
        m_model->setNames(shown);
    }
}

int FileList::count() const
{
    return m_model->rowCount();
}

QString FileList::fileName(int index) const
{
    return m_model->names().at(index);
}

QList<bool> FileList::selectionFlags() const
{
    QList<bool> flags(count(), false);
    const QItemSelection selection = selectionModel()->selection();
    for (const QItemSelectionRange &range : selection) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            flags[row] = true;
    }
    return flags;
}

QString FileList::currentFileName() const
{
    const QModelIndex index = currentIndex();
    return index.isValid() ? fileName(index.row()) : QString();
}

} // namespace corvane
