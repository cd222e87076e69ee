#include "batch_folders.h"

#include <QDir>

namespace corvane::test {

BatchFolders::BatchFolders()
    : m_originalFolder(QDir::currentPath()), root(QDir::cleanPath(m_dir.path())),
      data(path(QStringLiteral("data"))), source(path(QStringLiteral("source"))),
      destination(path(QStringLiteral("destination"))), desktop(data), settings(ConfigPathIn(data)),
      tool(settings)
{
    m_valid = m_dir.isValid() && QDir().mkpath(data) && QDir().mkpath(source) &&
              QDir().mkpath(destination);
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
