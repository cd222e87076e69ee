#pragma once

#include <QString>

namespace corvane {

// The number of tool profiles (indices 0 to 7).
inline constexpr int kToolCount = 8;

// The fields of a tool profile as config.ini stores them, each under a key
// of its own per tool: "Text1(3)" is the name of tool 3. Text fields live in
// StringSection, the others in IntegerSection.
enum class ToolField {
    Name,            // Text1(i)
    Program,         // Text2(i)
    CommandTemplate, // Text3(i)
    CaptureOutput,   // Check1(i)
    ShowConsole,     // Check2(i)
    Jobs,            // Jobs(i)
};

// The settings key of a field of tool index: "Text2(0)". Look-ups ignore
// the letter case, as the file format does.
QString ToolKey(ToolField field, int index);

// The key that holds the index of the active tool.
inline constexpr char kCurrentToolKey[] = "CurrentTool";

} // namespace corvane
