// COutputFile: writes a file under a temporary name in the target's folder
// and renames it over the target only when Commit succeeds, so a failed
// write never destroys an existing file and leaves no temporary behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

class COutputFile {
public:
    // Creates the temporary file; throws CTextException ErrAccessDenied
    // "Error open file for writing." when it cannot.
    explicit COutputFile(const std::string& target);
    ~COutputFile();
    COutputFile(const COutputFile&) = delete;
    COutputFile& operator=(const COutputFile&) = delete;

    // Buffered writes; throw ErrWriting "Error writing image." on failure.
    void Write(const void* data, size_t size);
    void WriteByte(uint8_t b) { Write(&b, 1); }
    void WriteWordLE(uint16_t v) { uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)}; Write(b, 2); }
    void WriteWordBE(uint16_t v) { uint8_t b[2] = {uint8_t(v >> 8), uint8_t(v)}; Write(b, 2); }
    void WriteLongLE(uint32_t v)
    {
        uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        Write(b, 4);
    }
    void WriteLongBE(uint32_t v)
    {
        uint8_t b[4] = {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
        Write(b, 4);
    }

    // The stdio stream of the temporary file, for libraries that write
    // through one (libpng, libjpeg). Check errors with ferror before Commit.
    std::FILE* GetStream() { return m_file; }
    const std::string& GetTempName() const { return m_tempName; }

    // Flushes, syncs and renames over the target. Throws ErrWriting on
    // failure, in which case the target is untouched.
    void Commit();

private:
    void Discard() noexcept;

    void Forget() noexcept;

    std::string m_target;
    std::string m_tempName;
    std::FILE* m_file = nullptr;
    bool m_committed = false;
};

// Removes the temporary files of every write still in progress in this
// process and refuses new ones from then on, for a program that ends on a
// signal: nothing half-written stays behind. Safe from any thread.
void RemovePendingOutputFiles() noexcept;
