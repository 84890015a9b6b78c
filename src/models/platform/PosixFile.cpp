#include "models/platform/PosixFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vkplatform {

int RenameNoReplace(const std::string& from, const std::string& to)
{
#ifdef SYS_renameat2
    constexpr unsigned kNoReplace = 1; // RENAME_NOREPLACE
    if (::syscall(SYS_renameat2, AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), kNoReplace) == 0)
        return 0;
    const int e = errno;
    if (e != ENOSYS && e != EINVAL)
        return e;
#endif
    // link fails with EEXIST when the target exists; folders cannot be
    // linked, so a folder is refused rather than risked.
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0)
        return errno;
    if (S_ISDIR(st.st_mode)) {
        if (::lstat(to.c_str(), &st) == 0)
            return EEXIST;
        return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    }
    if (::link(from.c_str(), to.c_str()) != 0)
        return errno;
    if (::unlink(from.c_str()) != 0) {
        const int e = errno;
        ::unlink(to.c_str());
        return e;
    }
    return 0;
}

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

} // namespace vkplatform
