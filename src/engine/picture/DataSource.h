// CDataSource: the whole file as one read-only block, read through bounded
// readers that throw ErrEndOfFile instead of running past the end.
#pragma once

#include "engine/picture/ByteOrder.h"
#include "engine/picture/TextException.h"

#include <cstddef>
#include <cstdint>
#include <string>

class CDataSource {
  public:
    CDataSource() = default;
    CDataSource(const CDataSource&) = delete;
    CDataSource& operator=(const CDataSource&) = delete;
    virtual ~CDataSource() { CDataSource::Close(); }

    virtual void Open(const std::string& name, const uint8_t* data, size_t size);
    virtual void Close();
    bool IsOpen() const { return m_start != nullptr; }

    // Returns the current position and advances it by n. Reading exactly up
    // to the last byte succeeds; one byte further throws ErrEndOfFile.
    const uint8_t* ReadBytes(size_t n)
    {
        CheckAvailable(n);
        const uint8_t* p = m_start + m_offset;
        m_offset += n;
        return p;
    }
    void Skip(size_t n) { ReadBytes(n); }
    // Throws ErrEndOfFile unless n more bytes can be read.
    void CheckAvailable(size_t n) const
    {
        if (n > m_size - m_offset)
            throw CTextException(ErrEndOfFile, kTextEndOfFile);
    }

    // The next n bytes as a span, read like ReadBytes.
    ByteView ReadSpan(size_t n) { return ByteView(ReadBytes(n), n); }

    uint8_t ReadByte() { return *ReadBytes(1); }
    uint16_t ReadWordLE() { return LoadLE16(ReadSpan(2)); }
    uint16_t ReadWordBE() { return LoadBE16(ReadSpan(2)); }
    uint32_t ReadLongLE() { return LoadLE32(ReadSpan(4)); }
    uint32_t ReadLongBE() { return LoadBE32(ReadSpan(4)); }

    const uint8_t* GetStart() const { return m_start; }
    const uint8_t* GetPosition() const { return m_start + m_offset; }
    size_t GetOffset() const { return m_offset; }
    size_t GetSize() const { return m_size; }
    size_t GetRemaining() const { return m_size - m_offset; }
    // The bytes from the position to the end, without reading them.
    ByteView GetRemainingBytes() const { return ByteView(GetPosition(), GetRemaining()); }
    // Moves to an absolute offset within the file image (ErrEndOfFile past it).
    void Seek(size_t offset)
    {
        if (offset > m_size)
            throw CTextException(ErrEndOfFile, kTextEndOfFile);
        m_offset = offset;
    }
    const std::string& GetName() const { return m_name; }

  private:
    const uint8_t* m_start = nullptr;
    size_t m_offset = 0;
    size_t m_size = 0;
    std::string m_name;
};

// A data source over bytes the caller owns (tests, fuzzers, embedded data).
class CMemSource : public CDataSource {
  public:
    CMemSource() = default;
    CMemSource(const uint8_t* data, size_t size, const std::string& name = "memory")
    {
        Open(name, data, size);
    }
    using CDataSource::Open;
};
