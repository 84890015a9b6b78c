// Set Wallpaper: a BMP copy of the current image in Velkor's data folder,
// then the desktop's own wallpaper setting.
#pragma once

#include <string>

class CBmp;

namespace vkshell {

// Where the copy of `fileName` goes: the data folder + the name itself for
// a ".bmp" file (any case), else + the name without extension + ".bmp".
std::string WallpaperCopyPath(const std::string& fileName);

// Writes the copy: a BMP file is copied byte for byte (replacing an older
// copy), any other file's decoded `picture` is written as a 24-bit BMP.
// The copy is complete or absent. False on failure.
bool WriteWallpaperCopy(const std::string& sourcePath, const std::string& fileName, CBmp& picture,
                        std::string& copyPath);

// Hands `path` to the desktop: gsettings (GNOME-like: picture-uri and
// picture-uri-dark of org.gnome.desktop.background), then xfconf-query
// (every Xfce backdrop's last-image), then the Plasma shell's scripting
// call, stopping at the first that succeeds. Returns its program's name,
// or "" when no desktop took it (not an error). Blocks while the programs
// run: call it off the GUI thread.
std::string ApplyDesktopWallpaper(const std::string& path);

// Runs ApplyDesktopWallpaper on a worker thread; a later call waits for the
// earlier one. Every worker is joined before the process ends.
void ApplyDesktopWallpaperInBackground(const std::string& path);
// Waits for a running background call (tests, exit).
void WaitForDesktopWallpaper();

} // namespace vkshell
