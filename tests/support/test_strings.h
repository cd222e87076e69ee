#pragma once

#include <QStringList>

#include <initializer_list>

namespace corvane::test {

// A string list from UTF-8 literals (the build allows no implicit
// conversions from char strings).
inline QStringList strings(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *text : texts)
        list.append(QString::fromUtf8(text));
    return list;
}

} // namespace corvane::test
