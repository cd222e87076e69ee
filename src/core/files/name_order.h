#pragma once

#include <QStringList>

namespace corvane {

// The names in the order the file and folder lists show them: letter case
// ignored, and names that differ only in case in code-point order.
QStringList SortedByName(QStringList names);

} // namespace corvane
