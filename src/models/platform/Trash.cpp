#include "models/platform/Trash.h"

#include "engine/picture/FileName.h"
#include "models/platform/Folders.h"
#include "models/platform/Path.h"
#include "models/platform/PosixFile.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vkplatform {
namespace {

// A trash folder and the top of its file system ("" for the home trash,
// whose Path= values are absolute).
struct TrashFolder {
    std::string dir;
    std::string top;
};

void SetError(std::string* error, const std::string& text)
{
    if (error)
        *error = text;
}

// Makes `dir` with mode 0700 when missing; true when it is a folder then.
// With `own` it must also be a real folder (no link) of this user.
bool MakeFolder(const std::string& dir, bool own, std::string* why)
{
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        SetError(why, dir + ": " + std::strerror(errno));
        return false;
    }
    struct stat st {};
    const int res = own ? ::lstat(dir.c_str(), &st) : ::stat(dir.c_str(), &st);
    if (res != 0 || !S_ISDIR(st.st_mode) || (own && st.st_uid != ::geteuid())) {
        SetError(why, dir + " is not a folder of yours.");
        return false;
    }
    return true;
}

bool MakeTrashFolder(const std::string& dir, bool own, std::string* why)
{
    return MakeFolder(dir, own, why) && MakeFolder(vkpath::Join(dir, "files"), own, why) &&
           MakeFolder(vkpath::Join(dir, "info"), own, why);
}

// The device of `path` or of its nearest existing ancestor.
bool DeviceOf(std::string path, dev_t& dev)
{
    for (;;) {
        struct stat st {};
        if (::stat(path.c_str(), &st) == 0) {
            dev = st.st_dev;
            return true;
        }
        if (path.empty() || vkpath::IsRoot(path))
            return false;
        path = vkpath::Parent(path);
    }
}

// The top folder of the file system that holds `dir`, a device `dev` folder.
std::string TopOf(std::string dir, dev_t dev)
{
    while (!vkpath::IsRoot(dir)) {
        const std::string up = vkpath::Parent(dir);
        struct stat st {};
        if (up.empty() || ::stat(up.c_str(), &st) != 0 || st.st_dev != dev)
            break;
        dir = up;
    }
    return dir;
}

// $topdir/.Trash/$uid when $topdir/.Trash is a real folder with the sticky
// bit, else $topdir/.Trash-$uid.
bool TopTrash(const std::string& top, TrashFolder& folder, std::string* why)
{
    const std::string uid = std::to_string(::geteuid());
    const std::string shared = vkpath::Join(top, ".Trash");
    struct stat st {};
    if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) &&
        MakeTrashFolder(vkpath::Join(shared, uid), true, why)) {
        folder = {vkpath::Join(shared, uid), top};
        return true;
    }
    const std::string own = vkpath::Join(top, ".Trash-" + uid);
    if (!MakeTrashFolder(own, true, why))
        return false;
    folder = {own, top};
    return true;
}

// The absolute path of `path` with its folder part resolved; the last
// component stays as it is, so a link is trashed itself.
bool Locate(const std::string& path, std::string& absolute, struct stat& st, std::string* error)
{
    const auto [dir, name] = vkpath::Split(vkpath::StripTrailingSeparator(path));
    if (name.empty() || name == "." || name == "..") {
        SetError(error, std::strerror(EINVAL));
        return false;
    }
    char resolved[PATH_MAX];
    if (!::realpath(dir.empty() ? "." : dir.c_str(), resolved) ||
        ::lstat(vkpath::Join(resolved, name).c_str(), &st) != 0) {
        SetError(error, errno == ENOENT ? "The file does not exist." : std::strerror(errno));
        return false;
    }
    absolute = vkpath::Join(resolved, name);
    return true;
}

// The n-th name tried for `name` in the trash: the name itself, then
// "base.2.ext", "base.3.ext" ...; cut (at a character boundary) so that
// NAME.trashinfo stays a valid file name.
std::string Candidate(const std::string& name, int n)
{
    constexpr size_t kNameMax = 255;
    constexpr size_t kInfoSuffix = sizeof(".trashinfo") - 1;
    size_t dot = vkname::ExtensionDot(name);
    if (dot == std::string::npos || name.size() - dot > 32)
        dot = name.size();
    std::string base = name.substr(0, dot);
    const std::string ext = name.substr(dot);
    const std::string number = n > 1 ? "." + std::to_string(n) : std::string();
    const size_t room = kNameMax - kInfoSuffix - number.size() - ext.size();
    if (base.size() > room) {
        base.resize(room);
        size_t lead = base.size();
        while (lead > 0 && (static_cast<unsigned char>(base[lead - 1]) & 0xC0) == 0x80)
            --lead;
        if (lead > 0) {
            const unsigned char c = static_cast<unsigned char>(base[lead - 1]);
            const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            if (lead - 1 + length > base.size())
                base.resize(lead - 1);
        }
    }
    return base + number + ext;
}

std::string DeletionDate()
{
    const std::time_t now = std::time(nullptr);
    struct tm local {};
    char text[32] = {};
    if (::localtime_r(&now, &local))
        std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// Writes the info file first, with O_EXCL under a free name, then renames
// the file beside it; the info file goes again when the rename fails.
// 0 or an errno value.
int MoveInto(const TrashFolder& folder, const std::string& absolute, std::string* error)
{
    std::string original = absolute;
    if (!folder.top.empty())
        original = vkpath::IsRoot(folder.top) ? absolute.substr(1) : absolute.substr(folder.top.size() + 1);
    const std::string info =
        "[Trash Info]\nPath=" + EscapeTrashPath(original) + "\nDeletionDate=" + DeletionDate() + "\n";
    const std::string name = vkpath::FileName(absolute);
    auto fail = [error](int e) {
        SetError(error, std::strerror(e));
        return e;
    };
    for (int n = 1; n < 100000; ++n) {
        const std::string candidate = Candidate(name, n);
        const std::string infoPath = vkpath::Join(vkpath::Join(folder.dir, "info"), candidate + ".trashinfo");
        const int fd = ::open(infoPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST)
                continue;
            return fail(errno);
        }
        const bool written = WriteAll(fd, info.data(), info.size()) && ::fsync(fd) == 0;
        const int writeError = errno;
        if (::close(fd) != 0 || !written) {
            ::unlink(infoPath.c_str());
            return fail(written ? EIO : writeError);
        }
        const int e = RenameNoReplace(absolute, vkpath::Join(vkpath::Join(folder.dir, "files"), candidate));
        if (e == 0)
            return 0;
        ::unlink(infoPath.c_str());
        if (e != EEXIST && e != ENOTEMPTY)
            return fail(e);
    }
    return fail(EEXIST);
}

std::string NoTrashText(const std::string& top, const std::string& why)
{
    return "There is no trash on the file system of " + top + (why.empty() ? "." : ":\n" + why);
}

} // namespace

std::string EscapeTrashPath(const std::string& path)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (const char ch : path) {
        const unsigned char c = static_cast<unsigned char>(ch);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                           c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
        if (plain) {
            out += ch;
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

namespace {

// The home trash when `dev` is its device, else the trash at the top of
// the file system. `home` tells which one was chosen.
bool FindTrash(const std::string& absolute, dev_t dev, bool skipHome, TrashFolder& folder, bool& home,
               std::string* why)
{
    const std::string homeTrash = vkpath::Join(XdgDataHome(), "Trash");
    dev_t homeDev = 0;
    home = !skipHome && DeviceOf(homeTrash, homeDev) && homeDev == dev;
    if (home) {
        folder = {homeTrash, std::string()};
        MakePath(XdgDataHome());
        if (MakeTrashFolder(homeTrash, false, why))
            return true;
        SetError(why, NoTrashText(vkpath::Parent(absolute), why ? *why : std::string()));
        return false;
    }
    const std::string top = TopOf(vkpath::Parent(absolute), dev);
    std::string reason;
    if (TopTrash(top, folder, &reason))
        return true;
    SetError(why, NoTrashText(top, reason));
    return false;
}

} // namespace

std::string TrashDirectoryFor(const std::string& path, std::string* error)
{
    std::string absolute;
    struct stat st {};
    if (!Locate(path, absolute, st, error))
        return std::string();
    TrashFolder folder;
    bool home = false;
    return FindTrash(absolute, st.st_dev, false, folder, home, error) ? folder.dir : std::string();
}

TrashResult Trash(const std::string& path, std::string* error)
{
    std::string absolute;
    struct stat st {};
    if (!Locate(path, absolute, st, error))
        return TrashResult::Failed;
    TrashFolder folder;
    bool home = false;
    if (!FindTrash(absolute, st.st_dev, false, folder, home, error))
        return TrashResult::NoTrash;
    int e = MoveInto(folder, absolute, error);
    // The home trash on another mount of the same file system: the trash
    // at the top of the file's own mount.
    if (e == EXDEV && home) {
        if (!FindTrash(absolute, st.st_dev, true, folder, home, error))
            return TrashResult::NoTrash;
        e = MoveInto(folder, absolute, error);
    }
    if (e == 0)
        return TrashResult::Ok;
    if (e == EXDEV)
        SetError(error, NoTrashText(vkpath::Parent(absolute), std::strerror(e)));
    return e == EXDEV ? TrashResult::NoTrash : TrashResult::Failed;
}

bool MoveToTrash(const std::string& path, std::string* error)
{
    return Trash(path, error) == TrashResult::Ok;
}

} // namespace vkplatform
