#pragma once

#include <QByteArray>

#include <optional>

namespace corvane {

// The byte-level layer under config.ini: reads one value from the bytes of an
// initialisation file, or makes the bytes of the file with one value set.
// Section and key names are matched with ASCII case folded; values are raw
// bytes, whatever their encoding. A write changes or adds exactly one line
// (two when the section is new) and keeps every other line's bytes.

// The value of key in section, with surrounding blanks and one pair of
// enclosing quotes removed; nullopt when the section or key is missing.
std::optional<QByteArray> ReadIniValue(const QByteArray &file, const QByteArray &section,
                                       const QByteArray &key);

// The integer that a value text reads as: leading blanks, an optional sign,
// then decimal digits up to the first other byte, wrapped to 32 bits. Text
// without digits reads as 0.
int ParseIniInt(const QByteArray &text);

// Whether a key or section name can be written so that it reads back under
// the same name: not empty, no line break, no '=' (in a key), no ']' (in a
// section), no leading ';' or '[' and no blanks at either end.
bool IsWritableIniKey(const QByteArray &key);
bool IsWritableIniSection(const QByteArray &section);

// Whether a value can be stored on one line: it holds no CR and no LF.
bool IsWritableIniValue(const QByteArray &value);

// The file bytes with key in section set to value; nullopt when the section,
// key or value is not writable. The value is enclosed in double quotes when
// it would otherwise not read back unchanged (blanks at an end, or a
// matching pair of quotes around it).
std::optional<QByteArray> WriteIniValue(const QByteArray &file, const QByteArray &section,
                                        const QByteArray &key, const QByteArray &value);

// The file bytes with a comment line, ';' and text, added at the end; the
// line gets the file's line ending, and a last line without one gets it too.
QByteArray AppendIniComment(const QByteArray &file, const QByteArray &text);

} // namespace corvane
