// Working directory, configuration and data folders.
#pragma once

#include <string>
#include <vector>

namespace vkplatform {

// Enters `dir`: makes it the process's working directory. On failure the
// working directory is unchanged and `error` (when given) gets the reason.
bool EnterDirectory(const std::string& dir, std::string* error = nullptr);
// The process's working directory; "" when it cannot be read (it vanished).
std::string WorkingDirectory();

// The user's home directory ($HOME, else the password database).
std::string HomeDirectory();
// Where "vk.set", "vk.ruf" and "vk.fav" live: VELKOR_CONFIG_DIR when set,
// else $XDG_CONFIG_HOME/velkor, else ~/.config/velkor. Not created here.
std::string ConfigDirectory();
// Makes a relative VELKOR_CONFIG_DIR absolute against the working directory,
// so the settings do not follow the browser from folder to folder (when
// the working directory vanished the variable is dropped). Called at
// start-up, before the first move.
void AnchorConfigDirectory();
// $XDG_DATA_HOME/velkor, else ~/.local/share/velkor (wallpaper copies).
std::string DataDirectory();
// $XDG_CONFIG_HOME, else ~/.config.
std::string XdgConfigHome();
// $XDG_DATA_HOME, else ~/.local/share.
std::string XdgDataHome();
// Creates `dir` and its missing parents; true when it exists afterwards.
bool MakePath(const std::string& dir);
// A directory that always exists and is never in use: "/".
std::string SystemDirectory();
// The path of the running executable ("" when unknown).
std::string ExecutablePath();

// The manual's first page, "" when it is nowhere. Looked for beside the
// program (bin/../share/velkor/manual or share/doc/velkor/manual), in the
// folder it was installed to, in the desktop's data folders
// ($XDG_DATA_HOME, $XDG_DATA_DIRS), and last in the build and source trees.
std::string ManualPath();
// The same search from a given program folder and list of data folders.
std::string FindManual(const std::string& exeDir, const std::vector<std::string>& dataDirs);

} // namespace vkplatform
