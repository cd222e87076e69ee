#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace corvane {

// The choices that the browse dialog for a tool's program offers, each
// "description(patterns)", the first one preselected.
QStringList ProgramFileFilters();

// Shows a file-open dialog over parent and returns the chosen file's full
// path, or an empty string when the user cancels. Tests install a chooser
// that answers instead.
QString ChooseOpenFile(QWidget *parent, const QStringList &filters);

using OpenFileChooser = std::function<QString(QWidget *parent, const QStringList &filters)>;

// Installs the chooser used by ChooseOpenFile and returns the previous one;
// an empty chooser goes back to the real dialog.
OpenFileChooser SetOpenFileChooser(OpenFileChooser chooser);

} // namespace corvane
