#include "gui/platform/file_dialog.h"

namespace corvane {

QStringList ProgramFileFilters()
{
    QStringList filters;
#ifndef Q_OS_WIN
    // Programs here usually have no extension at all, so every file comes first.
    filters.append(QStringLiteral("所有文件 (*)"));
#endif
    filters.append(QStringLiteral("exe(*.exe)"));
    filters.append(QStringLiteral("bat(*.bat)"));
    return filters;
}

} // namespace corvane
