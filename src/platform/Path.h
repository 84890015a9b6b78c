// Paths: the one place that spells the directory separator.
#pragma once

#include <string>

namespace vkpath {

inline constexpr char kSeparator = '/';

// "dir" + "/" + "name", without doubling the separator at the root.
std::string Join(const std::string& dir, const std::string& name);
// The folder part ("/" for a file at the root, "" for a bare name).
std::string Parent(const std::string& path);
// The last component.
std::string FileName(const std::string& path);
// True for the file system root.
bool IsRoot(const std::string& path);

} // namespace vkpath
