#include "models/platform/FileStatus.h"

#include "models/platform/Path.h"

#include <sys/stat.h>
#include <unistd.h>

namespace vkplatform {

uint32_t AttributesFor(const std::string& name, unsigned mode, bool writable)
{
    uint32_t attributes = 0;
    if (!name.empty() && name.front() == '.' && name != "." && name != "..")
        attributes |= kAttrHidden;
    if (S_ISDIR(mode))
        attributes |= kAttrDirectory;
    else if (S_ISREG(mode))
        attributes |= kAttrArchive;
    else
        attributes |= kAttrSystem;
    if (!writable)
        attributes |= kAttrReadOnly;
    return attributes;
}

bool WritableByUser(unsigned mode, unsigned ownerUid, unsigned ownerGid)
{
    if (ownerUid == ::geteuid())
        return (mode & S_IWUSR) != 0;
    bool inGroup = ownerGid == ::getegid();
    if (!inGroup) {
        gid_t groups[256];
        const int count = ::getgroups(256, groups);
        for (int i = 0; i < count && !inGroup; ++i)
            inGroup = groups[i] == ownerGid;
    }
    return (mode & (inGroup ? S_IWGRP : S_IWOTH)) != 0;
}

bool GetFileStatus(const std::string& path, FileStatus& status)
{
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return false;
    status.name = vkpath::FileName(vkpath::StripTrailingSeparator(path));
    status.attributes =
        AttributesFor(status.name, st.st_mode, WritableByUser(st.st_mode, st.st_uid, st.st_gid));
    status.size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
    // POSIX stat has no creation time; the status change time is the
    // nearest thing and is what file managers show.
    status.creationTime = st.st_ctime;
    status.lastAccessTime = st.st_atime;
    status.lastWriteTime = st.st_mtime;
    return true;
}

bool IsDirectory(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool Exists(const std::string& path)
{
    struct stat st {};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

bool IsSameFile(const std::string& a, const std::string& b)
{
    struct stat sa {
    }, sb{};
    return !a.empty() && !b.empty() && ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

} // namespace vkplatform
