#pragma once

#include <QString>
#include <QStringList>

namespace corvane {

// A file-name pattern as the file list takes it: one or more patterns
// separated by ';', each with '*' (any run of characters) and '?' (one
// character), matched case-insensitively against the whole name. As on
// Windows, a pattern ending in ".*" also matches the name without that
// extension, so "*.*" (like "*") matches every name, with or without a dot,
// and a pattern ending in "." matches names without a dot ("*." those
// without an extension). An empty pattern means "*.*".
class FilePattern final {
public:
    explicit FilePattern(const QString &pattern = QString());

    bool matches(const QString &name) const;
    bool matchesEverything() const { return m_everything; }

private:
    QStringList m_parts; // case-folded
    bool m_everything = false;
};

} // namespace corvane
