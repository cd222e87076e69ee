#pragma once

class QApplication;

namespace corvane {

// The program's name and version on the application, for Qt and for
// --help; a start without a window sets them too.
void SetApplicationNames();

// What a start with a window sets on the application besides: the names,
// the desktop entry, the window icon, and Qt's Chinese translations, so
// that Qt's own dialogs (the options' file dialog) read in Chinese whatever
// the locale, when those translations are installed.
void SetUpWindowApplication(QApplication &app);

} // namespace corvane
