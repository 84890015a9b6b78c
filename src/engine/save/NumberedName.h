// Splitting a file name at its last dot and numbering it ("photo.jpeg" ->
// "photo_2.jpeg"). Header-only and Qt-free, so the command line tool can
// number its outputs with the same rule as the window.
#pragma once

#include <string>
#include <utility>

namespace vkname {

// {base, extension with its dot}: "photo.jpeg" -> {"photo", ".jpeg"},
// "notes" -> {"notes", ""}, ".profile" -> {".profile", ""} (a leading dot
// starts a hidden name, not an extension).
inline std::pair<std::string, std::string> SplitAtLastDot(const std::string& name)
{
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return {name, std::string()};
    return {name.substr(0, dot), name.substr(dot)};
}

// The n-th numbered form of `name`: base + "_" + n + extension.
inline std::string NumberedName(const std::string& name, int n)
{
    auto [base, ext] = SplitAtLastDot(name);
    return base + "_" + std::to_string(n) + ext;
}

} // namespace vkname
