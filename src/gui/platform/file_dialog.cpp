#include "gui/platform/file_dialog.h"

#include <QFileDialog>

#include <utility>

namespace corvane {

namespace {
OpenFileChooser &installedChooser()
{
    static OpenFileChooser chooser;
    return chooser;
}
} // namespace

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

QString ChooseOpenFile(QWidget *parent, const QStringList &filters)
{
    const OpenFileChooser &chooser = installedChooser();
    if (chooser)
        return chooser(parent, filters);
    return QFileDialog::getOpenFileName(parent, QString(), QString(),
                                        filters.join(QStringLiteral(";;")));
}

OpenFileChooser SetOpenFileChooser(OpenFileChooser chooser)
{
    return std::exchange(installedChooser(), std::move(chooser));
}

} // namespace corvane
