#pragma once

#include <QStringList>

namespace corvane {

// The choices that the browse dialog for a tool's program offers, each
// "description(patterns)", the first one preselected.
QStringList ProgramFileFilters();

} // namespace corvane
