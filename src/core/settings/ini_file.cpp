#include "core/settings/ini_file.h"

#include <QByteArrayView>

#include <cstdint>
#include <vector>

namespace corvane {

namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
constexpr qsizetype kUtf8BomSize = 3;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

char foldAscii(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// A half-open range of bytes in the file.
struct Span {
    qsizetype begin = 0;
    qsizetype end = 0;
};

// One line: its content, then its line ending (empty on a last line that
// has none).
struct Line {
    Span content;
    qsizetype endingEnd = 0;
};

enum class LineKind { Other, Comment, Section, Key };

struct ParsedLine {
    LineKind kind = LineKind::Other;
    Span name;  // section or key name, without blanks
    Span value; // key value, without blanks (quotes still on)
};

Span trimmed(const QByteArray &bytes, Span span)
{
    while (span.begin < span.end && isBlank(bytes[span.begin]))
        ++span.begin;
    while (span.end > span.begin && isBlank(bytes[span.end - 1]))
        --span.end;
    return span;
}

QByteArray trimmedName(const QByteArray &name)
{
    const Span span = trimmed(name, {0, name.size()});
    return name.mid(span.begin, span.end - span.begin);
}

std::vector<Line> splitLines(const QByteArray &file)
{
    std::vector<Line> lines;
    qsizetype pos = file.startsWith(kUtf8Bom) ? kUtf8BomSize : 0;
    const qsizetype size = file.size();
    while (pos < size) {
        qsizetype end = pos;
        while (end < size && file[end] != '\r' && file[end] != '\n')
            ++end;
        qsizetype endingEnd = end;
        if (end < size)
            endingEnd =
                (file[end] == '\r' && end + 1 < size && file[end + 1] == '\n') ? end + 2 : end + 1;
        lines.push_back({{pos, end}, endingEnd});
        pos = endingEnd;
    }
    return lines;
}

ParsedLine parseLine(const QByteArray &file, const Line &line)
{
    ParsedLine parsed;
    const Span text = trimmed(file, line.content);
    if (text.begin == text.end)
        return parsed;
    if (file[text.begin] == ';') {
        parsed.kind = LineKind::Comment;
        return parsed;
    }
    if (file[text.begin] == '[') {
        qsizetype close = text.begin + 1;
        while (close < text.end && file[close] != ']')
            ++close;
        parsed.kind = LineKind::Section;
        parsed.name = trimmed(file, {text.begin + 1, close});
        return parsed;
    }
    // Searched within the line only: a file of lines without '=' must not
    // cost a search to the end of the file per line.
    const qsizetype equals =
        QByteArrayView(file).sliced(text.begin, text.end - text.begin).indexOf('=');
    if (equals < 0)
        return parsed;
    const qsizetype equalsAt = text.begin + equals;
    parsed.kind = LineKind::Key;
    parsed.name = trimmed(file, {text.begin, equalsAt});
    parsed.value = trimmed(file, {equalsAt + 1, text.end});
    return parsed;
}

bool sameName(const QByteArray &file, Span span, const QByteArray &name)
{
    if (span.end - span.begin != name.size())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (foldAscii(file[span.begin + i]) != foldAscii(name[i]))
            return false;
    }
    return true;
}

// Where a key stands: the line of the first section of that name, the
// line of the first such key in it, and the section's last key line.
struct Location {
    int sectionLine = -1;
    int keyLine = -1;
    int lastKeyLine = -1;
    ParsedLine key;
};

Location locate(const QByteArray &file, const std::vector<Line> &lines, const QByteArray &section,
                const QByteArray &key)
{
    Location location;
    for (int i = 0; i < int(lines.size()); ++i) {
        const ParsedLine parsed = parseLine(file, lines[size_t(i)]);
        if (parsed.kind == LineKind::Section) {
            if (location.sectionLine >= 0)
                break;
            if (sameName(file, parsed.name, section))
                location.sectionLine = i;
        } else if (parsed.kind == LineKind::Key && location.sectionLine >= 0) {
            location.lastKeyLine = i;
            if (location.keyLine < 0 && sameName(file, parsed.name, key)) {
                location.keyLine = i;
                location.key = parsed;
            }
        }
    }
    return location;
}

Span unquoted(const QByteArray &file, Span value)
{
    if (value.end - value.begin >= 2) {
        const char first = file[value.begin];
        if ((first == '"' || first == '\'') && file[value.end - 1] == first)
            return {value.begin + 1, value.end - 1};
    }
    return value;
}

// The ending that new lines get: the file's first line ending, else LF.
QByteArray lineEnding(const QByteArray &file)
{
    for (qsizetype i = 0; i < file.size(); ++i) {
        if (file[i] == '\n')
            return QByteArrayLiteral("\n");
        if (file[i] == '\r')
            return (i + 1 < file.size() && file[i + 1] == '\n') ? QByteArrayLiteral("\r\n")
                                                                : QByteArrayLiteral("\r");
    }
    return QByteArrayLiteral("\n");
}

QByteArray storedValue(const QByteArray &value)
{
    if (value.isEmpty())
        return value;
    const char first = value.front();
    const char last = value.back();
    const bool enclosed = value.size() >= 2 && (first == '"' || first == '\'') && last == first;
    if (isBlank(first) || isBlank(last) || enclosed)
        return '"' + value + '"';
    return value;
}

bool hasLineBreak(const QByteArray &bytes)
{
    return bytes.contains('\r') || bytes.contains('\n');
}

} // namespace

std::optional<QByteArray> ReadIniValue(const QByteArray &file, const QByteArray &section,
                                       const QByteArray &key)
{
    const std::vector<Line> lines = splitLines(file);
    const Location location = locate(file, lines, trimmedName(section), trimmedName(key));
    if (location.keyLine < 0)
        return std::nullopt;
    const Span value = unquoted(file, location.key.value);
    return file.mid(value.begin, value.end - value.begin);
}

int ParseIniInt(const QByteArray &text)
{
    qsizetype pos = 0;
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    // Unsigned arithmetic wraps by definition, which gives the modulo 2^32
    // result without any signed overflow.
    std::uint32_t magnitude = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos)
        magnitude = magnitude * 10u + std::uint32_t(text[pos] - '0');
    const std::uint32_t bits = negative ? 0u - magnitude : magnitude;
    if (bits <= std::uint32_t(INT32_MAX))
        return int(bits);
    return int(std::int64_t(bits) - (std::int64_t(1) << 32));
}

bool IsWritableIniKey(const QByteArray &key)
{
    if (key.isEmpty() || hasLineBreak(key) || key.contains('='))
        return false;
    if (key.front() == ';' || key.front() == '[')
        return false;
    return !isBlank(key.front()) && !isBlank(key.back());
}

bool IsWritableIniSection(const QByteArray &section)
{
    if (section.isEmpty() || hasLineBreak(section) || section.contains(']'))
        return false;
    return !isBlank(section.front()) && !isBlank(section.back());
}

bool IsWritableIniValue(const QByteArray &value)
{
    return !hasLineBreak(value);
}

std::optional<QByteArray> WriteIniValue(const QByteArray &file, const QByteArray &section,
                                        const QByteArray &key, const QByteArray &value)
{
    const QByteArray sectionName = trimmedName(section);
    const QByteArray keyName = trimmedName(key);
    if (!IsWritableIniSection(sectionName) || !IsWritableIniKey(keyName) ||
        !IsWritableIniValue(value))
        return std::nullopt;

    const std::vector<Line> lines = splitLines(file);
    const Location location = locate(file, lines, sectionName, keyName);
    const QByteArray stored = storedValue(value);

    if (location.keyLine >= 0) {
        // Keep the line up to its value (the file's spelling of the key, the
        // '=' and the blanks after it) and its line ending.
        const Line &line = lines[size_t(location.keyLine)];
        const qsizetype valueBegin = location.key.value.begin;
        return file.left(valueBegin) + stored + file.mid(line.content.end);
    }

    const QByteArray ending = lineEnding(file);
    const QByteArray keyLine = keyName + '=' + stored + ending;
    if (location.sectionLine >= 0) {
        const int anchor = location.lastKeyLine >= 0 ? location.lastKeyLine : location.sectionLine;
        const Line &line = lines[size_t(anchor)];
        if (line.endingEnd > line.content.end)
            return file.left(line.endingEnd) + keyLine + file.mid(line.endingEnd);
        return file + ending + keyLine;
    }

    QByteArray result = file;
    if (!lines.empty() && lines.back().endingEnd == lines.back().content.end)
        result += ending;
    return result + '[' + sectionName + ']' + ending + keyLine;
}

QByteArray AppendIniComment(const QByteArray &file, const QByteArray &text)
{
    const QByteArray ending = lineEnding(file);
    QByteArray result = file;
    if (!result.isEmpty() && !result.endsWith('\n') && !result.endsWith('\r'))
        result += ending;
    return result + ';' + text + ending;
}

} // namespace corvane
