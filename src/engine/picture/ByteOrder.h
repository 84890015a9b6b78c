// Little- and big-endian loads and stores of 16- and 32-bit values in byte
// spans, and the field readers and writers that on-disk header descriptions
// use. Every access is checked against the span: a load past its end throws
// ErrEndOfFile (the bytes came from a file too short for them), a store past
// its end ErrInternal (our own buffer was too small).
#pragma once

#include "engine/picture/TextException.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>

using ByteView = std::span<const uint8_t>;
using ByteSpan = std::span<uint8_t>;

enum class Endian { Little, Big };

namespace byteorder {

[[noreturn]] inline void LoadPastEnd()
{
    throw CTextException(ErrEndOfFile, kTextEndOfFile);
}
[[noreturn]] inline void StorePastEnd()
{
    throw CTextException(ErrInternal, kTextInternalError);
}

constexpr bool Fits(size_t spanSize, size_t at, size_t n)
{
    return at <= spanSize && n <= spanSize - at;
}

} // namespace byteorder

// An unsigned value of N bytes (1, 2 or 4) at `at`.
template <Endian E, size_t N> constexpr uint32_t LoadUnsigned(ByteView bytes, size_t at)
{
    static_assert(N == 1 || N == 2 || N == 4);
    if (!byteorder::Fits(bytes.size(), at, N))
        byteorder::LoadPastEnd();
    uint32_t v = 0;
    for (size_t i = 0; i < N; ++i)
        v |= uint32_t(bytes[at + i]) << (E == Endian::Little ? 8 * i : 8 * (N - 1 - i));
    return v;
}

template <Endian E, size_t N> constexpr void StoreUnsigned(ByteSpan bytes, size_t at, uint32_t v)
{
    static_assert(N == 1 || N == 2 || N == 4);
    if (!byteorder::Fits(bytes.size(), at, N))
        byteorder::StorePastEnd();
    for (size_t i = 0; i < N; ++i)
        bytes[at + i] = uint8_t(v >> (E == Endian::Little ? 8 * i : 8 * (N - 1 - i)));
}

constexpr uint16_t LoadLE16(ByteView b, size_t at = 0)
{
    return uint16_t(LoadUnsigned<Endian::Little, 2>(b, at));
}
constexpr uint32_t LoadLE32(ByteView b, size_t at = 0)
{
    return LoadUnsigned<Endian::Little, 4>(b, at);
}
constexpr uint16_t LoadBE16(ByteView b, size_t at = 0)
{
    return uint16_t(LoadUnsigned<Endian::Big, 2>(b, at));
}
constexpr uint32_t LoadBE32(ByteView b, size_t at = 0)
{
    return LoadUnsigned<Endian::Big, 4>(b, at);
}

constexpr void StoreLE16(ByteSpan b, size_t at, uint16_t v)
{
    StoreUnsigned<Endian::Little, 2>(b, at, v);
}
constexpr void StoreLE32(ByteSpan b, size_t at, uint32_t v)
{
    StoreUnsigned<Endian::Little, 4>(b, at, v);
}
constexpr void StoreBE16(ByteSpan b, size_t at, uint16_t v)
{
    StoreUnsigned<Endian::Big, 2>(b, at, v);
}
constexpr void StoreBE32(ByteSpan b, size_t at, uint32_t v)
{
    StoreUnsigned<Endian::Big, 4>(b, at, v);
}

// A header description is a struct with a static Fields(header, io) that
// names every field in file order as io.template Field<Stored>(member), where
// Stored is the on-disk integer type (its size is the field's size), plus
// io.Bytes(array) for byte runs and io.Skip(n) for bytes that are not kept.
// The same list then reads, writes and measures the header.

template <Endian E> class FieldReader {
  public:
    explicit constexpr FieldReader(ByteView bytes) : m_bytes(bytes) {}
    template <class Stored, class T> constexpr void Field(T& value)
    {
        static_assert(std::is_integral_v<Stored>);
        value = T(Stored(LoadUnsigned<E, sizeof(Stored)>(m_bytes, m_offset)));
        m_offset += sizeof(Stored);
    }
    template <class Array> constexpr void Bytes(Array& bytes)
    {
        if (!byteorder::Fits(m_bytes.size(), m_offset, bytes.size()))
            byteorder::LoadPastEnd();
        for (size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = m_bytes[m_offset + i];
        m_offset += bytes.size();
    }
    constexpr void Skip(size_t n)
    {
        if (!byteorder::Fits(m_bytes.size(), m_offset, n))
            byteorder::LoadPastEnd();
        m_offset += n;
    }
    constexpr size_t Offset() const { return m_offset; }

  private:
    ByteView m_bytes;
    size_t m_offset = 0;
};

// Writes the fields; skipped bytes are written as zeros.
template <Endian E> class FieldWriter {
  public:
    explicit constexpr FieldWriter(ByteSpan bytes) : m_bytes(bytes) {}
    template <class Stored, class T> constexpr void Field(const T& value)
    {
        static_assert(std::is_integral_v<Stored>);
        StoreUnsigned<E, sizeof(Stored)>(m_bytes, m_offset, uint32_t(Stored(value)));
        m_offset += sizeof(Stored);
    }
    template <class Array> constexpr void Bytes(const Array& bytes)
    {
        if (!byteorder::Fits(m_bytes.size(), m_offset, bytes.size()))
            byteorder::StorePastEnd();
        for (size_t i = 0; i < bytes.size(); ++i)
            m_bytes[m_offset + i] = bytes[i];
        m_offset += bytes.size();
    }
    constexpr void Skip(size_t n)
    {
        if (!byteorder::Fits(m_bytes.size(), m_offset, n))
            byteorder::StorePastEnd();
        for (size_t i = 0; i < n; ++i)
            m_bytes[m_offset + i] = 0;
        m_offset += n;
    }
    constexpr size_t Offset() const { return m_offset; }

  private:
    ByteSpan m_bytes;
    size_t m_offset = 0;
};

// Counts the bytes a field list covers.
class FieldSizer {
  public:
    template <class Stored, class T> constexpr void Field(const T&) { m_offset += sizeof(Stored); }
    template <class Array> constexpr void Bytes(const Array& bytes) { m_offset += bytes.size(); }
    constexpr void Skip(size_t n) { m_offset += n; }
    constexpr size_t Offset() const { return m_offset; }

  private:
    size_t m_offset = 0;
};

template <Endian E, class Header> constexpr Header LoadHeader(ByteView bytes)
{
    Header h{};
    FieldReader<E> reader(bytes);
    Header::Fields(h, reader);
    return h;
}

// Returns the number of bytes written.
template <Endian E, class Header> constexpr size_t StoreHeader(const Header& h, ByteSpan bytes)
{
    FieldWriter<E> writer(bytes);
    Header::Fields(h, writer);
    return writer.Offset();
}

template <class Header> constexpr size_t HeaderSize(const Header& h = Header{})
{
    FieldSizer sizer;
    Header::Fields(h, sizer);
    return sizer.Offset();
}
