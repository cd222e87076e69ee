#include "core/platform/system_information.h"

#include <QDir>
#include <QFileInfo>

namespace corvane {

QStringList SystemInformationCandidates()
{
    // The desktops' own first (KDE Plasma, Xfce), then the profilers that
    // any desktop may have installed.
    return {QStringLiteral("kinfocenter"), QStringLiteral("xfce4-about"),
            QStringLiteral("hardinfo2"),   QStringLiteral("hardinfo"),
            QStringLiteral("cpu-x"),       QStringLiteral("lshw-gtk")};
}

QString SystemInformationProgram()
{
    // An empty or relative entry of PATH names a folder by the current one,
    // which is no place to look for this program: such entries are skipped.
    const QStringList folders =
        qEnvironmentVariable("PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &name : SystemInformationCandidates()) {
        for (const QString &folder : folders) {
            const QFileInfo file(QDir(folder), name);
            if (file.isAbsolute() && file.isFile() && file.isExecutable())
                return file.absoluteFilePath();
        }
    }
    return QString();
}

} // namespace corvane
