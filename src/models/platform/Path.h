// Paths: the one place that spells the directory separator.
#pragma once

#include <string>
#include <utility>

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

// Folder part and last component at once: Split("/a/b.png") = {"/a", "b.png"}.
std::pair<std::string, std::string> Split(const std::string& path);
// Drops trailing separators, but the root stays "/".
std::string StripTrailingSeparator(const std::string& path);
// Appends one separator unless the path already ends in one ("" stays "").
std::string WithTrailingSeparator(const std::string& path);
bool IsAbsolute(const std::string& path);
// True when `path` is `ancestor` itself or lies below it (component-wise).
bool IsInside(const std::string& path, const std::string& ancestor);

} // namespace vkpath
