#include "core/files/file_pattern.h"

namespace corvane {

namespace {

// Wildcard match of the whole name; both strings already case-folded. The
// last '*' seen is the only backtracking point, so the cost stays linear in
// practice.
bool wildcardMatch(QStringView pattern, QStringView name)
{
    qsizetype p = 0;
    qsizetype n = 0;
    qsizetype starAt = -1;
    qsizetype resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starAt = p++;
            resumeAt = n;
        } else if (starAt >= 0) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

bool matchesPart(QStringView part, QStringView name)
{
    if (wildcardMatch(part, name))
        return true;
    // "name.*" also matches "name": the extension may be missing. A trailing
    // "." asks for a name without any extension.
    if (part.endsWith(u".*"))
        return wildcardMatch(part.chopped(2), name);
    if (part.endsWith(u'.') && !name.contains(u'.'))
        return wildcardMatch(part.chopped(1), name);
    return false;
}

} // namespace

FilePattern::FilePattern(const QString &pattern)
{
    const QStringList parts = pattern.split(QLatin1Char(';'));
    for (const QString &part : parts) {
        const QString folded = part.trimmed().toCaseFolded();
        if (folded.isEmpty())
            continue;
        if (folded == QLatin1String("*") || folded == QLatin1String("*.*"))
            m_everything = true;
        m_parts.append(folded);
    }
    if (m_parts.isEmpty())
        m_everything = true;
}

bool FilePattern::matches(const QString &name) const
{
    if (m_everything)
        return true;
    const QString folded = name.toCaseFolded();
    for (const QString &part : m_parts) {
        if (matchesPart(part, folded))
            return true;
    }
    return false;
}

} // namespace corvane
