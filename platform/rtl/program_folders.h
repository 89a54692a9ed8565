// Where the running program finds itself and keeps its files.
//
// A program runs either from its build tree (or a copy of it) or installed,
// as by the Debian package: <prefix>/bin/morvane beside
// <prefix>/share/morvane, the folder of its shared data. Installed, the
// program folder is not the user's to write, so a settings file that is not
// beside the executable lives in the user's configuration folder,
// $XDG_CONFIG_HOME/morvane (else ~/.config/morvane). A settings file that is
// beside the executable is used there in either case, and a program run from
// its build tree keeps every file beside itself, as it always did.
//
// The transport library resolves its own netbrg.ini and default database by
// the same rules (transport/config.h): it links nothing of the program.
#pragma once

#include <string>
#include <string_view>

namespace morvane {

// The folder of the running executable, with a trailing '/', or "" when the
// system does not say.
std::string ExecutableFolder();

// The folder of the program's shared data, <exe>/../share/morvane/, when it is
// there (the program runs installed); "" otherwise.
std::string InstalledDataFolder(const std::string& executableFolder);

// $XDG_CONFIG_HOME/morvane/ when that variable holds an absolute path, else
// $HOME/.config/morvane/ (the home folder of the account when HOME is unset).
std::string UserConfigFolder();

// The folder, with a trailing '/', where the settings file fileName is read
// and written: the executable's folder when the file is there or the program
// runs from its build tree, else UserConfigFolder(). The folder need not
// exist yet; whoever writes the file creates it.
std::string SettingsFolder(std::string_view fileName,
                           const std::string& executableFolder = ExecutableFolder());

}  // namespace morvane
