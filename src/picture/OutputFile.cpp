#include "OutputFile.h"

#include "TextException.h"

#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kTextOpenForWriting = "Error open file for writing.";
constexpr const char* kTextWriting = "Error writing image.";

mode_t NewFileMode(const std::string& target)
{
    struct stat st;
    if (::stat(target.c_str(), &st) == 0)
        return st.st_mode & 07777;
    mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Temporary files of the writes in progress, so that a program ending on a
// signal can remove them. Creation happens under the lock, so no file is
// made after RemovePendingOutputFiles has run.
struct PendingFiles {
    std::mutex mutex;
    std::set<std::string> names;
    bool closed = false;
};

PendingFiles& Pending()
{
    static PendingFiles pending;
    return pending;
}

} // namespace

void RemovePendingOutputFiles() noexcept
{
    PendingFiles& pending = Pending();
    std::lock_guard lock(pending.mutex);
    for (const std::string& name : pending.names)
        ::unlink(name.c_str());
    pending.names.clear();
    pending.closed = true;
}

COutputFile::COutputFile(const std::string& target) : m_target(target)
{
    auto slash = target.rfind('/');
    std::string dir = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    // A directory in the way, or a name that is no file name, cannot be written.
    struct stat st;
    if (base.empty() || (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)))
        throw CTextException(ErrAccessDenied, kTextOpenForWriting);
    m_tempName = dir + "." + base.substr(0, 200) + ".velkor-XXXXXX";
    int fd = -1;
    {
        PendingFiles& pending = Pending();
        std::lock_guard lock(pending.mutex);
        if (!pending.closed) {
            fd = ::mkstemp(m_tempName.data());
            try {
                if (fd >= 0)
                    pending.names.insert(m_tempName);
            } catch (...) {
                ::close(fd);
                ::unlink(m_tempName.c_str());
                fd = -1;
            }
        }
    }
    if (fd < 0)
        throw CTextException(ErrAccessDenied, kTextOpenForWriting);
    ::fchmod(fd, NewFileMode(target));
    m_file = ::fdopen(fd, "wb");
    if (!m_file) {
        ::close(fd);
        ::unlink(m_tempName.c_str());
        Forget();
        throw CTextException(ErrAccessDenied, kTextOpenForWriting);
    }
    std::setvbuf(m_file, nullptr, _IOFBF, 1 << 16);
}

COutputFile::~COutputFile()
{
    if (!m_committed)
        Discard();
}

void COutputFile::Write(const void* data, size_t size)
{
    if (size != 0 && std::fwrite(data, 1, size, m_file) != size)
        throw CTextException(ErrWriting, kTextWriting);
}

void COutputFile::Commit()
{
    bool ok = std::fflush(m_file) == 0 && !std::ferror(m_file) && ::fdatasync(::fileno(m_file)) == 0;
    ok = std::fclose(m_file) == 0 && ok;
    m_file = nullptr;
    if (!ok || ::rename(m_tempName.c_str(), m_target.c_str()) != 0) {
        Discard();
        throw CTextException(ErrWriting, kTextWriting);
    }
    m_committed = true;
    Forget();
}

void COutputFile::Discard() noexcept
{
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    ::unlink(m_tempName.c_str());
    Forget();
}

void COutputFile::Forget() noexcept
{
    PendingFiles& pending = Pending();
    std::lock_guard lock(pending.mutex);
    pending.names.erase(m_tempName);
}
