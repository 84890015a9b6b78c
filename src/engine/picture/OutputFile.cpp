#include "engine/picture/OutputFile.h"

#include "engine/picture/TextException.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr const char* kTextOpenForWriting = "Error open file for writing.";
constexpr const char* kTextWriting = "Error writing image.";

// Where a write to `target` lands: the file a link points to, so that the
// link stays a link; the name itself otherwise (a dangling link included).
std::string ResolveTarget(const std::string& target)
{
    struct stat st;
    if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return target;
    char* resolved = ::realpath(target.c_str(), nullptr);
    if (!resolved)
        return target;
    std::string path = resolved;
    std::free(resolved);
    return path;
}

// Creates `prefix` + six random characters exclusively, with mode 0666 so
// that the kernel applies the umask (mkstemp would give 0600, and reading
// the umask means changing it, which races with other threads).
int CreateTemporary(const std::string& prefix, std::string& name)
{
    static std::atomic<uint64_t> counter{0};
    static constexpr char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        uint64_t v = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                     (uint64_t(::getpid()) << 40) ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
        name = prefix;
        for (int i = 0; i < 6; ++i, v /= 62)
            name += kChars[v % 62];
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The folder entry of a rename reaches the disk only with the folder.
void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
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

COutputFile::COutputFile(const std::string& target, Kind kind) : m_target(ResolveTarget(target)), m_kind(kind)
{
    const std::string folder = FolderOf(m_target);
    const std::string base = m_target.substr(folder.size());
    // A folder in the way, or a name that is no file name, cannot be written.
    struct stat st;
    const bool exists = ::stat(m_target.c_str(), &st) == 0;
    if (base.empty() || base == "." || base == ".." || (exists && !S_ISREG(st.st_mode)))
        throw CTextException(ErrAccessDenied, kTextOpenForWriting);
    int fd = -1;
    {
        PendingFiles& pending = Pending();
        std::lock_guard lock(pending.mutex);
        if (!pending.closed) {
            // Cut long names so that the temporary name stays within NAME_MAX.
            fd = CreateTemporary(folder + "." + base.substr(0, 200) + ".velkor-", m_tempName);
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
    if (kind == Kind::Cache)
        ::fchmod(fd, 0600);
    else if (exists)
        ::fchmod(fd, st.st_mode & 07777);
    m_file = ::fdopen(fd, "wb");
    if (!m_file) {
        ::close(fd);
        ::unlink(m_tempName.c_str());
        Forget();
        throw CTextException(ErrAccessDenied, kTextOpenForWriting);
    }
    constexpr size_t kBufferSize = size_t(1) << 20;
    m_buffer = std::make_unique_for_overwrite<char[]>(kBufferSize);
    std::setvbuf(m_file, m_buffer.get(), _IOFBF, kBufferSize);
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

namespace {

thread_local CBeforeCommit* t_beforeCommit = nullptr;

// Runs and uses up the work of the innermost scope.
bool RunBeforeCommit(std::FILE* file)
{
    CBeforeCommit::Work work = t_beforeCommit ? CBeforeCommit::TakeWork(*t_beforeCommit) : nullptr;
    if (!work)
        return true;
    try {
        return work(file);
    } catch (...) {
        return true;
    }
}

} // namespace

CBeforeCommit::CBeforeCommit(Work work) : m_work(std::move(work)), m_outer(t_beforeCommit)
{
    t_beforeCommit = this;
}

CBeforeCommit::~CBeforeCommit()
{
    t_beforeCommit = m_outer;
}

CBeforeCommit::Work CBeforeCommit::TakeWork(CBeforeCommit& scope)
{
    return std::exchange(scope.m_work, nullptr);
}

void COutputFile::Commit()
{
    // On disk before the rename, so a crash leaves the old or the new file.
    const bool durable = m_kind == Kind::Durable;
    bool ok = std::fflush(m_file) == 0 && !std::ferror(m_file) && RunBeforeCommit(m_file) &&
              std::fflush(m_file) == 0 && !std::ferror(m_file) &&
              (!durable || ::fsync(::fileno(m_file)) == 0);
    ok = std::fclose(m_file) == 0 && ok;
    m_file = nullptr;
    if (!ok || ::rename(m_tempName.c_str(), m_target.c_str()) != 0) {
        Discard();
        throw CTextException(ErrWriting, kTextWriting);
    }
    m_committed = true;
    Forget();
    if (durable)
        SyncFolder(FolderOf(m_target));
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

bool WriteFileAtomically(const std::string& path, std::string_view bytes, COutputFile::Kind kind) noexcept
{
    try {
        COutputFile file(path, kind);
        file.Write(bytes.data(), bytes.size());
        file.Commit();
        return true;
    } catch (...) {
        return false;
    }
}
