// The user's freedesktop.org trash.
#pragma once

#include <string>

namespace vkplatform {

// Moves a file or directory into the trash. False (with `error` set when
// given) when it cannot; the file then stays where it was.
bool MoveToTrash(const std::string& path, std::string* error = nullptr);

} // namespace vkplatform
