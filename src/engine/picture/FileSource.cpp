#include "engine/picture/FileSource.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Read in pieces of a few megabytes.
constexpr size_t kReadChunk = size_t(4) << 20;
// Larger files hold no picture we would create (kMaxPixels) and are refused
// before a buffer for them is allocated.
constexpr uint64_t kMaxFileBytes = uint64_t(4) << 30;

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int Get() const { return m_fd; }

  private:
    int m_fd;
};

int OpenErrorCode(const std::string& fileName, int error)
{
    switch (error) {
    case ENOENT: {
        // A missing folder is "path not found", a missing file "file not found".
        auto slash = fileName.rfind('/');
        if (slash != std::string::npos && slash > 0) {
            struct stat st;
            if (::stat(fileName.substr(0, slash).c_str(), &st) != 0)
                return ErrPathNotFound;
        }
        return ErrFileNotFound;
    }
    case ENOTDIR:
        return ErrPathNotFound;
    case EACCES:
    case EPERM:
    case ETXTBSY:
        return ErrAccessDenied;
    default:
        return ErrFileNotFound;
    }
}

} // namespace

FileFailure FileFailureFromErrno(int error)
{
    switch (error) {
    case 0:
        return FileFailure::None;
    case ENOENT:
    case ENOTDIR:
        return FileFailure::NotFound;
    case EACCES:
    case EPERM:
        return FileFailure::Denied;
    default:
        return FileFailure::Unreadable;
    }
}

const char* FileFailureText(FileFailure failure)
{
    switch (failure) {
    case FileFailure::None:
        return "";
    case FileFailure::NotFound:
        return "file not found";
    case FileFailure::Empty:
        return "the file is empty";
    case FileFailure::Denied:
        return "permission denied";
    case FileFailure::Unreadable:
        break;
    }
    return "the file cannot be read";
}

int CFileSource::Open(const std::string& fileName)
{
    Close();
    m_failure = FileFailure::None;
    const FileDescriptor fd(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        const int error = errno;
        return Fail(FileFailureFromErrno(error), OpenErrorCode(fileName, error));
    }
    struct stat st;
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        uint64_t(st.st_size) > std::min<uint64_t>(kMaxFileBytes, SIZE_MAX))
        return Fail(FileFailure::Unreadable, ErrAccessDenied);
    if (st.st_size <= 0)
        return Fail(FileFailure::Empty, ErrAccessDenied);
    const size_t size = size_t(st.st_size);
    std::unique_ptr<uint8_t[]> bytes(new (std::nothrow) uint8_t[size]);
    if (!bytes)
        return Fail(FileFailure::Unreadable, ErrAccessDenied);
    ::posix_fadvise(fd.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    // Bytes the file no longer holds (it shrank meanwhile) are not there:
    // the decode runs into the end of what was read.
    size_t done = 0;
    bool readError = false;
    while (done < size) {
        const ssize_t n =
            ::pread(fd.Get(), bytes.get() + done, std::min(kReadChunk, size - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        readError = n < 0;
        if (n <= 0)
            break;
        done += size_t(n);
    }
    if (done == 0)
        return Fail(readError ? FileFailure::Unreadable : FileFailure::Empty, ErrAccessDenied);
    m_bytes = std::move(bytes);
    CDataSource::Open(fileName, m_bytes.get(), done);
    return 0;
}

void CFileSource::Close()
{
    CDataSource::Close();
    m_bytes.reset();
}
