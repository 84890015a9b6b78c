#include "models/platform/Drives.h"

#include "models/platform/Folders.h"
#include "models/platform/Path.h"

#include <fstream>
#include <limits>
#include <sstream>
#include <string_view>
#include <sys/statvfs.h>

namespace vkplatform {

namespace {

constexpr std::string_view kPseudoTypes[] = {
    "proc",        "sysfs",      "devtmpfs",  "devpts",           "tmpfs",
    "ramfs",       "cgroup",     "cgroup2",   "pstore",           "bpf",
    "securityfs",  "debugfs",    "tracefs",   "hugetlbfs",        "mqueue",
    "configfs",    "fusectl",    "autofs",    "binfmt_misc",      "rpc_pipefs",
    "nsfs",        "efivarfs",   "selinuxfs", "squashfs",         "fuse.gvfsd-fuse",
    "fuse.portal", "fuse.lxcfs", "nfsd",      "overlay-internal",
};

// System trees that never hold the user's pictures.
constexpr std::string_view kSystemTrees[] = {"/proc", "/sys", "/dev", "/run", "/snap", "/boot"};

bool IsPseudo(const std::string& type, const std::string& mountPoint)
{
    if (type == "tmpfs" && mountPoint == "/tmp")
        return false;
    for (auto pseudo : kPseudoTypes)
        if (type == pseudo)
            return true;
    if (vkpath::IsInside(mountPoint, "/run/media") || vkpath::IsInside(mountPoint, "/media"))
        return false;
    for (auto tree : kSystemTrees)
        if (vkpath::IsInside(mountPoint, std::string(tree)))
            return true;
    return false;
}

// The mount table escapes space, tab, newline and backslash as \ooo.
std::string Unescape(const std::string& field)
{
    std::string out;
    out.reserve(field.size());
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out.push_back(static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0')));
                i += 3;
                continue;
            }
        }
        out.push_back(field[i]);
    }
    return out;
}

std::string ReadMountTable()
{
    std::ifstream in("/proc/self/mounts");
    if (!in)
        return {};
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Absolute(const std::string& path)
{
    if (vkpath::IsAbsolute(path))
        return path;
    return vkpath::Join(WorkingDirectory(), path);
}

} // namespace

std::vector<std::string> ParseDrives(const std::string& mountTable)
{
    std::vector<std::string> drives{"/"};
    std::istringstream lines(mountTable);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint, type;
        if (!(fields >> device >> mountPoint >> type))
            continue;
        mountPoint = vkpath::StripTrailingSeparator(Unescape(mountPoint));
        if (!vkpath::IsAbsolute(mountPoint) || IsPseudo(type, mountPoint))
            continue;
        bool known = false;
        for (const auto& d : drives)
            known = known || d == mountPoint;
        if (!known)
            drives.push_back(mountPoint);
    }
    return drives;
}

std::vector<std::string> ListDrives()
{
    return ParseDrives(ReadMountTable());
}

std::string DriveEntry(const std::string& mountPoint)
{
    return "[-" + mountPoint + "-]";
}

std::string DriveFromEntry(const std::string& entry)
{
    if (entry.size() < 5 || entry.compare(0, 2, "[-") != 0 || entry.compare(entry.size() - 2, 2, "-]") != 0)
        return {};
    return entry.substr(2, entry.size() - 4);
}

std::string MountPointOf(const std::string& path, const std::vector<std::string>& mountPoints)
{
    const std::string absolute = Absolute(path);
    std::string best = "/";
    for (const auto& mp : mountPoints)
        if (mp.size() > best.size() && vkpath::IsInside(absolute, mp))
            best = mp;
    return best;
}

std::string MountPointOf(const std::string& path)
{
    return MountPointOf(path, ListDrives());
}

uint64_t FreeBytes(const std::string& path)
{
    struct statvfs info {};
    if (path.empty() || ::statvfs(path.c_str(), &info) != 0)
        return 0;
    const uint64_t blocks = info.f_bavail;
    const uint64_t blockSize = info.f_frsize ? info.f_frsize : info.f_bsize;
    if (blockSize != 0 && blocks > std::numeric_limits<uint64_t>::max() / blockSize)
        return std::numeric_limits<uint64_t>::max();
    return blocks * blockSize;
}

} // namespace vkplatform
