// COutputFile: the one way Velkor replaces a file, for pictures and settings
// alike. It writes under a temporary name in the target's folder and renames
// it over the target only when Commit succeeds, so a failed write never
// destroys an existing file and leaves no temporary behind.
//
// Rules: a linked target is replaced where the link points, so the link
// stays a link; anything but a regular file in the way (a folder, a device)
// is refused; the new file keeps the old one's permission bits, or gets
// 0666 less the umask; data and then the folder entry are flushed to disk,
// so a crash leaves the old file or the new one, never a torn one.
#pragma once

#include "engine/picture/ByteOrder.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

class COutputFile {
  public:
    // What the file is: a user's file, kept as the rules above say, or a
    // cache entry that can always be made again: private to its owner
    // (0600) and never synced, as a crash costs nothing but a remake.
    enum class Kind { Durable, Cache };

    // Creates the temporary file; throws CTextException ErrAccessDenied
    // "Error open file for writing." when it cannot.
    explicit COutputFile(const std::string& target, Kind kind = Kind::Durable);
    ~COutputFile();
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    // Buffered writes; throw ErrWriting "Error writing image." on failure.
    void Write(const void* data, size_t size);
    void WriteByte(uint8_t b) { Write(&b, 1); }
    void WriteWordLE(uint16_t v) { WriteStored<Endian::Little, 2>(v); }
    void WriteWordBE(uint16_t v) { WriteStored<Endian::Big, 2>(v); }
    void WriteLongLE(uint32_t v) { WriteStored<Endian::Little, 4>(v); }
    void WriteLongBE(uint32_t v) { WriteStored<Endian::Big, 4>(v); }

    // The stdio stream of the temporary file, for libraries that write
    // through one (libpng, libjpeg). Errors on it are found by Commit.
    std::FILE* GetStream() { return m_file; }
    const std::string& GetTempName() const { return m_tempName; }

    // Flushes, syncs and renames over the target. Throws ErrWriting on
    // failure, in which case the target is untouched and the temporary gone.
    void Commit();

  private:
    template <Endian E, size_t N> void WriteStored(uint32_t v)
    {
        uint8_t b[N];
        StoreUnsigned<E, N>(b, 0, v);
        Write(b, N);
    }
    void Discard() noexcept;
    void Forget() noexcept;

    std::string m_target;
    std::string m_tempName;
    // The stream's buffer: glibc ignores a size given without one, and its
    // own is a page or two, which makes a large picture thousands of writes.
    std::unique_ptr<char[]> m_buffer;
    std::FILE* m_file = nullptr;
    Kind m_kind;
    bool m_committed = false;
};

// Work done on the finished temporary file of this thread's next Commit,
// before the file is synced and renamed over its target, while the scope
// lives: the camera data written into a saved picture, so the target is
// never seen without it. The work gets the file's stream (open for reading
// and writing) and returns false when writing failed, which fails the
// Commit; what it throws is dropped and the file kept as written.
class CBeforeCommit {
  public:
    using Work = std::function<bool(std::FILE*)>;
    explicit CBeforeCommit(Work work);
    ~CBeforeCommit();
    CBeforeCommit(const CBeforeCommit&) = delete;
    CBeforeCommit& operator=(const CBeforeCommit&) = delete;
    static Work TakeWork(CBeforeCommit& scope);

  private:
    Work m_work;
    CBeforeCommit* m_outer;
};

// Removes the temporary files of every write still in progress in this
// process and refuses new ones from then on, for a program that ends on a
// signal: nothing half-written stays behind. Safe from any thread.
void RemovePendingOutputFiles() noexcept;

// `bytes` written to `path` through a COutputFile; false on any failure
// (the old file is then as it was).
bool WriteFileAtomically(const std::string& path, std::string_view bytes,
                         COutputFile::Kind kind = COutputFile::Kind::Durable) noexcept;
