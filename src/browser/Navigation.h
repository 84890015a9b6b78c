// Steps shared by the browser's navigation and the folder picker.
#pragma once

#include <string>

namespace vknav {

// Enters the nearest ancestor of `dir` that can be entered, skipping
// ancestors that vanished; the walk ends at the root. Returns the folder
// entered, or "" when not even the root could be entered.
std::string EnterNearestAncestor(const std::string& dir);

} // namespace vknav
