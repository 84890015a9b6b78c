// Numbering a file name before its extension ("photo.jpeg" ->
// "photo_2.jpeg"). Header-only and Qt-free, so the command line tool can
// number its outputs with the same rule as the window.
#pragma once

#include "engine/picture/FileName.h"

#include <string>

namespace vkname {

// The n-th numbered form of `name`: base + "_" + n + extension.
inline std::string NumberedName(const std::string& name, int n)
{
    auto [base, ext] = SplitAtLastDot(name);
    return base + "_" + std::to_string(n) + ext;
}

} // namespace vkname
