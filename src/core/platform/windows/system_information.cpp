#include "core/platform/system_information.h"

namespace corvane {

// On Windows the registry names the system-information viewer; nothing else
// is looked for.
QStringList SystemInformationCandidates()
{
    return {};
}

QString SystemInformationProgram()
{
    return QString();
}

} // namespace corvane
