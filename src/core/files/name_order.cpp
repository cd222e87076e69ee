#include "core/files/name_order.h"

#include <algorithm>
#include <vector>

namespace corvane {

QStringList SortedByName(QStringList names)
{
    struct SortEntry {
        QString key; // the name, case-folded
        QString name;
    };
    std::vector<SortEntry> entries;
    entries.reserve(size_t(names.size()));
    for (QString &name : names) {
        QString key = name.toCaseFolded();
        entries.push_back(SortEntry{std::move(key), std::move(name)});
    }
    std::sort(entries.begin(), entries.end(), [](const SortEntry &a, const SortEntry &b) {
        const int byKey = a.key.compare(b.key);
        return byKey != 0 ? byKey < 0 : a.name < b.name;
    });
    QStringList sorted;
    sorted.reserve(qsizetype(entries.size()));
    for (SortEntry &entry : entries)
        sorted.append(std::move(entry.name));
    return sorted;
}

} // namespace corvane
