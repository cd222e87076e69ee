#pragma once

#include <QString>

namespace corvane {

// The version numbers in plain decimal, never padded: "1.3.5", "1.10.5".
inline QString VersionNumber(int major, int minor, int patch)
{
    return QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(patch);
}

// "版本 " and the version numbers: "版本 1.3.5".
inline QString VersionText(int major, int minor, int patch)
{
    return QStringLiteral("版本 ") + VersionNumber(major, minor, patch);
}

// The program's own version, set by the build from the project version.
inline QString ProgramVersion()
{
    return VersionNumber(CORVANE_VERSION_MAJOR, CORVANE_VERSION_MINOR, CORVANE_VERSION_PATCH);
}

inline QString ProgramVersionText()
{
    return VersionText(CORVANE_VERSION_MAJOR, CORVANE_VERSION_MINOR, CORVANE_VERSION_PATCH);
}

} // namespace corvane
