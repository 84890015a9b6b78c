// The freedesktop.org trash: the home trash under $XDG_DATA_HOME, and the
// trash folders at the top of other file systems ($topdir/.Trash/$uid or
// $topdir/.Trash-$uid). A file is always renamed into a trash on its own
// file system, never copied.
#pragma once

#include <string>

namespace vkplatform {

enum class TrashResult {
    Ok,
    NoTrash, // no trash folder can take the file on its file system
    Failed   // the file could not be moved (gone, no permission, ...)
};

// Moves a file, link or folder into the trash of its file system: writes
// info/NAME.trashinfo (NAME made unique), then renames the file to
// files/NAME. Unless Ok the file stays where it was and `error` says why.
TrashResult Trash(const std::string& path, std::string* error = nullptr);
// Trash() == Ok.
bool MoveToTrash(const std::string& path, std::string* error = nullptr);

// The Path= value of a .trashinfo file: every byte but letters, digits,
// "-._~" and "/" written as %XX.
std::string EscapeTrashPath(const std::string& path);

// The trash folder (holding files/ and info/) that takes `path`, made when
// missing; "" with `error` set when there is none.
std::string TrashDirectoryFor(const std::string& path, std::string* error = nullptr);

} // namespace vkplatform
