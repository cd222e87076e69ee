#include "gui/main_window/file_list.h"

#include "gui/main_window/job_list_view.h"

#include "core/files/file_name.h"
#include "core/files/file_pattern.h"
#include "core/platform/drives.h"
#include "core/platform/folder_listing.h"

#include <QDir>
#include <QFileInfo>
#include <QStringListModel>

namespace corvane {

namespace {
// The names as the user reads them; the model keeps them as on disk.
class FileNameModel final : public QStringListModel {
public:
    using QStringListModel::QStringListModel;
    QVariant data(const QModelIndex &index, int role) const override
    {
        const QVariant value = QStringListModel::data(index, role);
        return role == Qt::DisplayRole ? QVariant(DisplayedFileName(value.toString())) : value;
    }
};
} // namespace

FileList::FileList(QWidget *parent) : QListView(parent), m_model(new FileNameModel(this))
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
    m_allNames = ListFolder(path, EntryKind::Files);
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
        m_model->setStringList(m_allNames);
    } else {
        QStringList shown;
        for (const QString &name : std::as_const(m_allNames)) {
            if (pattern.matches(name))
                shown.append(name);
        }
        m_model->setStringList(shown);
    }
}

int FileList::count() const
{
    return m_model->rowCount();
}

QString FileList::fileName(int index) const
{
    return m_model->stringList().at(index);
}

QList<bool> FileList::selectionFlags() const
{
    return SelectedRowFlags(*selectionModel(), count());
}

QString FileList::currentFileName() const
{
    const QModelIndex index = currentIndex();
    return index.isValid() ? fileName(index.row()) : QString();
}

} // namespace corvane
