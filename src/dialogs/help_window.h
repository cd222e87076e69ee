#pragma once

namespace corvane {

// Opens the help window modally and returns when it has closed.
void OpenHelpWindow();

} // namespace corvane
