#include "Path.h"

namespace vkpath {

std::string Join(const std::string& dir, const std::string& name)
{
    if (dir.empty())
        return name;
    if (dir.back() == kSeparator)
        return dir + name;
    return dir + kSeparator + name;
}

std::string Parent(const std::string& path)
{
    auto slash = path.find_last_of(kSeparator);
    if (slash == std::string::npos)
        return {};
    if (slash == 0)
        return std::string(1, kSeparator);
    return path.substr(0, slash);
}

std::string FileName(const std::string& path)
{
    auto slash = path.find_last_of(kSeparator);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool IsRoot(const std::string& path) { return path == std::string(1, kSeparator); }

} // namespace vkpath
