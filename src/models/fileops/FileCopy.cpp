#include "models/fileops/FileCopy.h"

#include "models/platform/Path.h"
#include "models/platform/PosixFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vkfileops {
namespace {

using vkplatform::RenameNoReplace;
using vkplatform::WriteAll;

void SetError(std::string* error, int code)
{
    if (error)
        *error = std::strerror(code);
}

// Closes a descriptor on every path out.
struct Fd {
    int fd = -1;
    explicit Fd(int f) : fd(f) {}
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Release()
    {
        int f = fd;
        fd = -1;
        return f;
    }
};

// Copies the data of `in` to `out` in chunks, calling `progress` after each.
// Returns 0, ECANCELED, or an errno value.
int CopyData(int in, int out, uint64_t size, const CopyProgress& progress)
{
    uint64_t done = 0;
    bool kernelCopy = true;
    std::vector<char> buffer;
    if (progress && !progress(0))
        return ECANCELED;
    for (;;) {
        ssize_t n = 0;
        if (kernelCopy) {
            const uint64_t want = size > done ? std::min<uint64_t>(kCopyChunk, size - done) : kCopyChunk;
            n = ::copy_file_range(in, nullptr, out, nullptr, size_t(want), 0);
            if (n < 0) {
                const int e = errno;
                if (e == EINTR)
                    continue;
                if (done == 0 &&
                    (e == ENOSYS || e == EXDEV || e == EINVAL || e == EOPNOTSUPP || e == EPERM)) {
                    kernelCopy = false; // fall back to reading and writing
                    continue;
                }
                return e;
            }
        } else {
            if (buffer.empty())
                buffer.resize(size_t(std::min<uint64_t>(kCopyChunk, std::max<uint64_t>(size, 65536))));
            n = ::read(in, buffer.data(), buffer.size());
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            if (n > 0 && !WriteAll(out, buffer.data(), size_t(n)))
                return errno;
        }
        if (n == 0)
            break; // end of the source (it may have changed size meanwhile)
        // Start writing this chunk to the disk now and wait for the one
        // before, so the flush at the end has little left to do and dirty
        // pages do not pile up.
        if (done >= kCopyChunk)
            ::sync_file_range(out, off64_t(done - kCopyChunk), off64_t(kCopyChunk),
                              SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                  SYNC_FILE_RANGE_WAIT_AFTER);
        ::sync_file_range(out, off64_t(done), off64_t(n), SYNC_FILE_RANGE_WRITE);
        done += uint64_t(n);
        if (progress && !progress(done))
            return ECANCELED;
    }
    return 0;
}

// The copy into a hidden temporary file beside `to`, flushed; `tempPath`
// gets its path.
FileResult CopyToTemporary(const std::string& from, const std::string& to, bool replace,
                           const CopyProgress& progress, std::string* error, std::string& tempPath)
{
    tempPath.clear();
    Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (in.fd < 0) {
        SetError(error, errno);
        return FileResult::Failed;
    }
    struct stat st {};
    if (::fstat(in.fd, &st) != 0) {
        SetError(error, errno);
        return FileResult::Failed;
    }
    if (!S_ISREG(st.st_mode)) {
        SetError(error, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
        return FileResult::Failed;
    }
    struct stat target {};
    if (::lstat(to.c_str(), &target) == 0) {
        if (!replace)
            return FileResult::Exists;
        if (target.st_dev == st.st_dev && target.st_ino == st.st_ino) {
            SetError(error, EINVAL); // a file cannot replace itself
            return FileResult::Failed;
        }
    }

    // The temporary file is hidden and lives beside the target, so the
    // final rename stays within one file system.
    auto [dir, name] = vkpath::Split(to);
    std::string pattern = vkpath::Join(dir.empty() ? "." : dir, "." + name + ".velkor-XXXXXX");
    std::vector<char> tempName(pattern.begin(), pattern.end());
    tempName.push_back('\0');
    Fd out(::mkostemp(tempName.data(), O_CLOEXEC));
    if (out.fd < 0) {
        SetError(error, errno);
        return FileResult::Failed;
    }
    const std::string temp(tempName.data());
    auto fail = [&](int code) {
        ::close(out.Release());
        ::unlink(temp.c_str());
        if (code == ECANCELED)
            return FileResult::Cancelled;
        SetError(error, code);
        return FileResult::Failed;
    };

    if (int e = CopyData(in.fd, out.fd, uint64_t(st.st_size), progress))
        return fail(e);
    // Permission bits and times as the source's, which the "older" test of
    // Replace All Older relies on.
    ::fchmod(out.fd, st.st_mode & 07777);
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    if (::futimens(out.fd, times) != 0)
        return fail(errno);
    if (::fsync(out.fd) != 0)
        return fail(errno);
    if (::close(out.Release()) != 0) {
        const int e = errno;
        ::unlink(temp.c_str());
        SetError(error, e);
        return FileResult::Failed;
    }
    tempPath = temp;
    return FileResult::Ok;
}

// Gives the temporary its name; a temporary that cannot take it is removed.
FileResult CommitTemporary(const std::string& temp, const std::string& to, bool replace, std::string* error)
{
    if (replace) {
        if (::rename(temp.c_str(), to.c_str()) != 0) {
            const int e = errno;
            ::unlink(temp.c_str());
            SetError(error, e);
            return FileResult::Failed;
        }
        return FileResult::Ok;
    }
    const int e = RenameNoReplace(temp, to);
    if (e != 0) {
        ::unlink(temp.c_str());
        if (e == EEXIST)
            return FileResult::Exists;
        SetError(error, e);
        return FileResult::Failed;
    }
    return FileResult::Ok;
}

// Flushes the folder of `path`, so a new name in it lasts.
void FlushFolderOf(const std::string& path)
{
    const std::string dir = vkpath::Parent(path);
    Fd fd(::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.fd >= 0)
        ::fsync(fd.fd);
}

} // namespace

FileResult CopyFile(const std::string& from, const std::string& to, bool replace,
                    const CopyProgress& progress, std::string* error)
{
    std::string temp;
    FileResult result = CopyToTemporary(from, to, replace, progress, error, temp);
    if (result == FileResult::Ok)
        result = CommitTemporary(temp, to, replace, error);
    if (result == FileResult::Ok)
        FlushFolderOf(to);
    return result;
}

namespace {

// 0 or an errno value; EEXIST when the target exists and is kept.
int DoRename(const std::string& from, const std::string& to, bool replace)
{
    if (from == to) {
        struct stat st {};
        if (::lstat(from.c_str(), &st) != 0)
            return errno;
        return replace ? 0 : EEXIST;
    }
    if (replace)
        return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    const int e = RenameNoReplace(from, to);
    return e == ENOTEMPTY ? EEXIST : e;
}

FileResult RenameResult(int e, std::string* error)
{
    if (e == 0)
        return FileResult::Ok;
    if (e == EEXIST)
        return FileResult::Exists;
    SetError(error, e);
    return FileResult::Failed;
}

} // namespace

FileResult RenameFile(const std::string& from, const std::string& to, bool replace, std::string* error)
{
    return RenameResult(DoRename(from, to, replace), error);
}

FileResult MoveFile(const std::string& from, const std::string& to, bool replace,
                    const CopyProgress& progress, std::string* error, bool* sourceKept)
{
    if (sourceKept)
        *sourceKept = false;
    const int e = DoRename(from, to, replace);
    // Only a move between file systems falls back to copying.
    if (e != EXDEV)
        return RenameResult(e, error);
    FileResult result = FileResult::Failed;
    result = CopyFile(from, to, replace, progress, error);
    if (result != FileResult::Ok)
        return result;
    if (::unlink(from.c_str()) != 0) {
        SetError(error, errno);
        if (sourceKept)
            *sourceKept = true;
    }
    return FileResult::Ok;
}

bool DeleteFile(const std::string& path, std::string* error)
{
    if (::unlink(path.c_str()) != 0) {
        SetError(error, errno);
        return false;
    }
    return true;
}

bool FileTimeAndSize(const std::string& path, int64_t& mtime, uint64_t& size)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    mtime = int64_t(st.st_mtim.tv_sec);
    size = uint64_t(st.st_size);
    return true;
}

} // namespace vkfileops
