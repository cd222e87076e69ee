#pragma once

#include <QString>

namespace corvane {

// The folder that holds the executable, without a trailing '/' (only the
// root folder "/" ends in one).
QString ProgramFolder();

// The folder where config.ini and report.txt live: the program folder when
// it is writable, else the per-user config folder ($XDG_CONFIG_HOME/Corvane),
// created when needed. Decided once, on the first call, unless a folder was
// set with SetDataFolder.
QString DataFolder();

// Fixes the data folder (tests point it at a temporary folder).
void SetDataFolder(const QString &folder);

// Chooses the data folder for a given program folder and per-user config
// folder; the rule behind DataFolder(), exposed for tests.
QString ChooseDataFolder(const QString &programFolder, const QString &userConfigFolder);

// Joins a folder and a file name with exactly one '/' between them.
QString JoinPath(const QString &folder, const QString &name);

} // namespace corvane
