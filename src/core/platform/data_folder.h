#pragma once

#include "core/files/paths.h"

#include <QString>

namespace corvane {

// The per-user config folder. POSIX: $XDG_CONFIG_HOME/Corvane, or
// ~/.config/Corvane when that variable is not set. Windows: %APPDATA%\Corvane.
QString UserConfigFolder();

// The folder where config.ini and report.txt live, decided once at
// start-up from the program folder and the per-user config folder.
//
// Windows: the program folder when this user may create files in it, else
// the per-user folder, created when missing.
//
// POSIX: the program folder is the data folder when it is the program's own
// writable folder: writable by this user, with at least one write
// permission bit (root may write anywhere, but a folder without write bits
// stays read-only for Corvane); not a folder that installed programs share,
// such as /usr/bin, /usr/local/bin or ~/.local/bin; owned by this user (or
// root), and writable by no other user, neither by its permission bits nor
// by its ACL, with any config.ini in it owned by this user (or root) too.
// Otherwise the per-user folder is the data folder when it is this user's
// own in the same way (or, when missing, the folder it would be made in is)
// and no other user may move it away; failing that, ~/.config/Corvane in the
// user's home folder from the password database, whatever HOME and
// XDG_CONFIG_HOME say. The folder is created, readable only by its owner,
// when missing.
QString ChooseDataFolder(const QString &programFolder, const QString &userConfigFolder);

// The data folder of this program and this user: the window's and a batch
// run from the command line alike.
inline QString DefaultDataFolder()
{
    return ChooseDataFolder(ProgramFolder(), UserConfigFolder());
}

} // namespace corvane
