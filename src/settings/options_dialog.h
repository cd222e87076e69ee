#pragma once

#include <functional>

namespace corvane {

// Opens the tool options dialog modally and returns when it has closed.
// refreshToolMenu runs on every closing (OK, Cancel, Esc, close box).
void OpenOptionsDialog(const std::function<void()> &refreshToolMenu);

} // namespace corvane
