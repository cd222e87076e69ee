#pragma once

namespace corvane {

// Routes the core's message boxes to QMessageBox and its document opening to
// QDesktopServices. Called once by the program at start-up.
void InstallDesktopServices();

} // namespace corvane
