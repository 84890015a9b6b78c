#include "models/browser/FileSpec.h"

#include "models/platform/Path.h"

#include <cctype>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CFileSpec::~CFileSpec()
{
    Close();
}

void CFileSpec::Close()
{
    if (handle) {
        ::closedir(static_cast<DIR*>(handle));
        handle = nullptr;
        dirFd = -1;
    }
}

bool CFileSpec::Matches(const std::string& pattern, const std::string& name)
{
    if (pattern == "*.*" || pattern == "*")
        return true;
    auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
    // Iterative wildcard match with one backtrack point for the last "*".
    size_t p = 0, n = 0, starP = std::string::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool CFileSpec::FindFirst(const std::string& searchPattern)
{
    Close();
    auto [folder, namePattern] = vkpath::Split(searchPattern);
    if (namePattern.empty())
        return false;
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir)
        return false;
    handle = dir;
    dirFd = ::dirfd(dir);
    pattern = namePattern;
    if (!Fetch()) {
        Close();
        return false;
    }
    return true;
}

bool CFileSpec::FindNext()
{
    if (!handle)
        return false;
    return Fetch();
}

bool CFileSpec::Fetch()
{
    DIR* dir = static_cast<DIR*>(handle);
    while (const dirent* d = ::readdir(dir)) {
        const std::string name = d->d_name;
        if (!Matches(pattern, name))
            continue;
        struct stat st {};
        if (::fstatat(dirFd, d->d_name, &st, 0) != 0 &&
            ::fstatat(dirFd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue; // vanished between the read and the status
        entry.name = name;
        entry.attributes = vkplatform::AttributesFor(
            name, st.st_mode, vkplatform::WritableByUser(st.st_mode, st.st_uid, st.st_gid));
        entry.size = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
        entry.creationTime = st.st_ctime;
        entry.lastAccessTime = st.st_atime;
        entry.lastWriteTime = st.st_mtime;
        return true;
    }
    return false;
}
