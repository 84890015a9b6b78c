#include "models/platform/Folders.h"

#include "models/platform/FileStatus.h"
#include "models/platform/Path.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vkplatform {

namespace {

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// XDG variables must hold absolute paths; anything else is ignored.
std::string XdgOr(const char* variable, const char* fallbackBelowHome)
{
    std::string value = Env(variable);
    if (vkpath::IsAbsolute(value))
        return vkpath::StripTrailingSeparator(value);
    return vkpath::Join(HomeDirectory(), fallbackBelowHome);
}

} // namespace

bool EnterDirectory(const std::string& dir, std::string* error)
{
    if (dir.empty()) {
        if (error)
            *error = std::strerror(ENOENT);
        return false;
    }
    if (::chdir(dir.c_str()) != 0) {
        if (error)
            *error = std::strerror(errno);
        return false;
    }
    return true;
}

std::string WorkingDirectory()
{
    std::vector<char> buffer(4096);
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()))
            return std::string(buffer.data());
        if (errno != ERANGE || buffer.size() >= (1u << 20))
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string HomeDirectory()
{
    std::string home = Env("HOME");
    if (!home.empty())
        return vkpath::StripTrailingSeparator(home);
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
        return vkpath::StripTrailingSeparator(pw->pw_dir);
    return "/";
}

std::string XdgConfigHome()
{
    return XdgOr("XDG_CONFIG_HOME", ".config");
}

std::string XdgDataHome()
{
    return XdgOr("XDG_DATA_HOME", ".local/share");
}

std::string ConfigDirectory()
{
    std::string overridden = Env("VELKOR_CONFIG_DIR");
    if (!overridden.empty())
        return vkpath::StripTrailingSeparator(overridden);
    return vkpath::Join(XdgConfigHome(), "velkor");
}

void AnchorConfigDirectory()
{
    const std::string dir = Env("VELKOR_CONFIG_DIR");
    if (dir.empty() || dir.front() == '/')
        return;
    const std::string base = WorkingDirectory();
    if (base.empty()) {
        // Relative to a folder that vanished: the usual folder instead.
        ::unsetenv("VELKOR_CONFIG_DIR");
        return;
    }
    const std::string absolute = (std::filesystem::path(base) / dir).lexically_normal().string();
    ::setenv("VELKOR_CONFIG_DIR", vkpath::StripTrailingSeparator(absolute).c_str(), 1);
}

std::string DataDirectory()
{
    return vkpath::Join(XdgDataHome(), "velkor");
}

bool MakePath(const std::string& dir)
{
    if (dir.empty())
        return false;
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    std::string parent = vkpath::Parent(vkpath::StripTrailingSeparator(dir));
    if (!parent.empty() && parent != dir && !MakePath(parent))
        return false;
    if (::mkdir(dir.c_str(), 0777) == 0)
        return true;
    return errno == EEXIST && ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string SystemDirectory()
{
    return "/";
}

std::string ExecutablePath()
{
    std::vector<char> buffer(4096);
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0)
        return {};
    return std::string(buffer.data(), static_cast<size_t>(n));
}

std::string FindManual(const std::string& exeDir, const std::vector<std::string>& dataDirs)
{
    // Where a package puts it (share/velkor), where a distribution may move
    // it (share/doc/velkor), each below a data folder.
    const auto below = [](const std::string& share) {
        return std::vector<std::string>{vkpath::Join(share, "velkor/manual"),
                                        vkpath::Join(share, "doc/velkor/manual")};
    };
    std::vector<std::string> folders;
    if (!exeDir.empty())
        folders = below(vkpath::Join(vkpath::Parent(exeDir), "share"));
#ifdef VELKOR_INSTALLED_MANUAL_DIR
    folders.push_back(VELKOR_INSTALLED_MANUAL_DIR);
#endif
    for (const std::string& share : dataDirs)
        for (const std::string& folder : below(share))
            folders.push_back(folder);
    // The build tree keeps a copy at build/share beside build/src/<folder>.
    if (!exeDir.empty())
        folders.push_back(vkpath::Join(vkpath::Parent(vkpath::Parent(exeDir)), "share/velkor/manual"));
#ifdef VELKOR_MANUAL_DIR
    folders.push_back(VELKOR_MANUAL_DIR);
#endif
    for (const std::string& folder : folders) {
        const std::string page = vkpath::Join(folder, "index.html");
        if (IsRegularFile(page))
            return page;
    }
    return {};
}

std::string ManualPath()
{
    std::vector<std::string> dataDirs = {XdgDataHome()};
    std::string list = Env("XDG_DATA_DIRS");
    if (list.empty())
        list = "/usr/local/share:/usr/share";
    for (size_t start = 0; start <= list.size();) {
        const size_t end = std::min(list.find(':', start), list.size());
        const std::string dir = list.substr(start, end - start);
        if (vkpath::IsAbsolute(dir))
            dataDirs.push_back(dir);
        start = end + 1;
    }
    return FindManual(vkpath::Parent(ExecutablePath()), dataDirs);
}

} // namespace vkplatform
