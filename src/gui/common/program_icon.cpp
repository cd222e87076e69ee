#include "gui/common/program_icon.h"

namespace corvane {

QIcon ProgramIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addFile(QStringLiteral(":/icons/corvane-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace corvane
