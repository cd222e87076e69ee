#include "core/settings/tool_keys.h"

namespace corvane {

QString ToolKey(ToolField field, int index)
{
    const char *prefix = "Text1(";
    switch (field) {
    case ToolField::Name:
        break;
    case ToolField::Program:
        prefix = "Text2(";
        break;
    case ToolField::CommandTemplate:
        prefix = "Text3(";
        break;
    case ToolField::CaptureOutput:
        prefix = "Check1(";
        break;
    case ToolField::ShowConsole:
        prefix = "Check2(";
        break;
    case ToolField::Jobs:
        prefix = "Jobs(";
        break;
    }
    return QLatin1String(prefix) + QString::number(index) + QLatin1Char(')');
}

} // namespace corvane
