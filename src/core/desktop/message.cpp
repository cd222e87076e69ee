#include "core/desktop/message.h"

namespace corvane {

QString ApplicationTitle()
{
    return QStringLiteral("Corvane");
}

} // namespace corvane
