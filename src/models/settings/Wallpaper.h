// Set Wallpaper: one wallpaper file in Velkor's data folder, handed to the
// desktop named by XDG_CURRENT_DESKTOP through that desktop's own setting.
#pragma once

#include <functional>
#include <string>
#include <vector>

class CBmp;

namespace vkshell {

// The desktops whose wallpaper Velkor sets. Gnome stands for GNOME, Unity
// and Budgie, which share its keys.
enum class Desktop { Gnome, Cinnamon, Mate, Xfce, Plasma, Lxqt, Sway };

// The desktops named in `currentDesktop` (XDG_CURRENT_DESKTOP: a list
// separated by ":", any case), in its order, each once.
std::vector<Desktop> DesktopsOf(const std::string& currentDesktop);

// Runs argv[0] with the rest as its arguments; true when it ended with
// status 0. `output` (may be null) receives its standard output.
using ProgramRunner = std::function<bool(const std::vector<std::string>& argv, std::string* output)>;
// Replaces the runner, so tests see the calls and run nothing; an empty
// function restores the real one.
void SetProgramRunner(ProgramRunner runner);

// Writes the wallpaper file for the picture shown from `sourcePath`: the
// file's own bytes when it is an unedited upright JPEG or PNG (every
// desktop reads those), else `picture` as a PNG. The file takes the other
// of two names than the current one, since a desktop handed the name it
// already has keeps its old picture; the older file goes once a desktop
// took the new one. Complete or absent; false on failure.
bool WriteWallpaperFile(const std::string& sourcePath, CBmp& picture, bool edited,
                        std::string& wallpaperPath);

// Hands `path` to each desktop of XDG_CURRENT_DESKTOP in turn (sway also by
// SWAYSOCK) until one takes it. Returns that desktop's name, or "" when
// none did. Blocks while the programs run: call it off the GUI thread.
std::string ApplyDesktopWallpaper(const std::string& path);

// The message for a wallpaper no desktop took.
std::string NoDesktopMessage();

// ApplyDesktopWallpaper on a worker thread, a later call waiting for the
// earlier one; then the file no longer in use is removed (the new one when
// no desktop took it) and `done` runs on the GUI thread with the result.
void ApplyDesktopWallpaperInBackground(const std::string& path,
                                       std::function<void(const std::string& desktop)> done = {});
// Waits for a running background call (tests, exit, the next wallpaper).
void WaitForDesktopWallpaper();

} // namespace vkshell
