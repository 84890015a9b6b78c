#include "models/platform/Path.h"

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

bool IsRoot(const std::string& path)
{
    return path == std::string(1, kSeparator);
}

} // namespace vkpath

namespace vkpath {

std::pair<std::string, std::string> Split(const std::string& path)
{
    return {Parent(path), FileName(path)};
}

std::string StripTrailingSeparator(const std::string& path)
{
    std::string result = path;
    while (result.size() > 1 && result.back() == kSeparator)
        result.pop_back();
    return result;
}

std::string WithTrailingSeparator(const std::string& path)
{
    if (path.empty() || path.back() == kSeparator)
        return path;
    return path + kSeparator;
}

bool IsAbsolute(const std::string& path)
{
    return !path.empty() && path.front() == kSeparator;
}

bool IsInside(const std::string& path, const std::string& ancestor)
{
    std::string a = StripTrailingSeparator(ancestor);
    std::string p = StripTrailingSeparator(path);
    if (a.empty())
        return false;
    if (IsRoot(a))
        return IsAbsolute(p);
    if (p.size() < a.size() || p.compare(0, a.size(), a) != 0)
        return false;
    return p.size() == a.size() || p[a.size()] == kSeparator;
}

} // namespace vkpath
