#include "core/platform/file_ops.h"

namespace corvane {

QString ReportOpenFailure(const QString &path, const QString &reason)
{
    return QStringLiteral("无法打开报告文件：%1（%2）").arg(path, reason);
}

} // namespace corvane
