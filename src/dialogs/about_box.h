#pragma once

namespace corvane {

// Opens the About box modally and returns when it has closed.
void OpenAboutBox();

} // namespace corvane
