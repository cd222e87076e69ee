#include "batch_folders.h"

#include "core/platform/data_folder.h"
#include "core/settings/active_tool.h"

#include <QDir>

namespace corvane::test {

BatchFolders::BatchFolders()
    : m_originalFolder(QDir::currentPath()), root(QDir::cleanPath(m_dir.path())),
      data(path(QStringLiteral("data"))), source(path(QStringLiteral("source"))),
      destination(path(QStringLiteral("destination")))
{
    m_valid = m_dir.isValid() && QDir().mkpath(data) && QDir().mkpath(source) &&
              QDir().mkpath(destination);
    SetDataFolder(data);
    ActiveTool() = ActiveToolState{};
}

BatchFolders::~BatchFolders()
{
    restoreWorkingFolder();
}

void BatchFolders::restoreWorkingFolder() const
{
    QDir::setCurrent(m_originalFolder);
}

} // namespace corvane::test
