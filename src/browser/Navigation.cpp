#include "Navigation.h"

#include "platform/Folders.h"
#include "platform/Path.h"

namespace vknav {

std::string EnterNearestAncestor(const std::string& dir)
{
    std::string current = dir;
    while (!current.empty() && !vkpath::IsRoot(current)) {
        current = vkpath::Parent(current);
        if (!current.empty() && vkplatform::EnterDirectory(current))
            return current;
    }
    return {};
}

} // namespace vknav
