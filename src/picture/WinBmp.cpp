#include "WinBmp.h"

#include "TextException.h"
#include "OutputFile.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

namespace {

void PutLE16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
void PutLE32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16); p[3] = uint8_t(v >> 24);
}
uint32_t GetLE32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t GetLE16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

// BITMAPINFOHEADER fields.
enum : size_t {
    kHdrSize = 0, kHdrWidth = 4, kHdrHeight = 8, kHdrPlanes = 12, kHdrBitCount = 14,
    kHdrCompression = 16, kHdrImageSize = 20, kHdrXRes = 24, kHdrYRes = 28,
    kHdrColorsUsed = 32, kHdrColorsImportant = 36,
};
constexpr size_t kFileHeaderSize = 14;

size_t PaletteBytes(int bitsPerPixel) { return bitsPerPixel <= 15 ? size_t(4) << bitsPerPixel : 0; }

} // namespace

CWinBmp::CWinBmp() { Create(16, 16, 8, false); }

CWinBmp::~CWinBmp() { CWinBmp::ReleaseStorage(); }

size_t CWinBmp::BlockSize(int width, int height, int bitsPerPixel)
{
    return kDibHeaderSize + PaletteBytes(bitsPerPixel) +
           size_t(LineBytesFor(width, bitsPerPixel)) * size_t(height);
}

void CWinBmp::Create(int width, int height, uint16_t bitsPerPixel, bool hasAlpha)
{
    CheckPictureSize(width, height);
    if (!m_dib || BlockSize(width, height, bitsPerPixel) != m_dibSize) {
        CBmp::Create(width, height, bitsPerPixel, hasAlpha);
        return;
    }
    // Same size: keep the block (and its mapped pages), rewrite the header.
    SetBlockFormat(width, height, bitsPerPixel, hasAlpha);
}

void CWinBmp::SetBlockFormat(int width, int height, uint16_t bitsPerPixel, bool hasAlpha)
{
    PutLE32(m_dib + kHdrWidth, uint32_t(width));
    PutLE32(m_dib + kHdrHeight, uint32_t(height));
    PutLE16(m_dib + kHdrBitCount, bitsPerPixel);
    LocateDIBParts();
    try {
        SetFormat(width, height, bitsPerPixel, hasAlpha);
    } catch (...) {
        ReleaseStorage();
        throw;
    }
}

size_t CWinBmp::GetMemoryUsed() const { return m_dibSize + kDibHeaderSize; }

int CWinBmp::GetLineBytes() const { return LineBytesFor(m_width, m_bitsPerPixel); }

void CWinBmp::AllocateStorage(int width, int height, uint16_t bitsPerPixel, bool hasAlpha)
{
    size_t size = BlockSize(width, height, bitsPerPixel);
    // malloc'd storage may be read as bytes or as 32-bit pixels.
    m_dib = static_cast<uint8_t*>(std::malloc(size));
    if (!m_dib)
        throw std::bad_alloc();
    m_dibSize = size;
    std::memset(m_dib, 0, kDibHeaderSize);
    PutLE32(m_dib + kHdrSize, kDibHeaderSize);
    PutLE16(m_dib + kHdrPlanes, 1);
    SetBlockFormat(width, height, bitsPerPixel, hasAlpha);
}

void CWinBmp::ReleaseStorage()
{
    std::free(m_dib);
    m_dib = nullptr;
    m_dibSize = 0;
    delete[] m_lines;
    m_lines = nullptr;
    m_palette = nullptr;
    m_pixels = nullptr;
}

void CWinBmp::BuildLineTable()
{
    delete[] m_lines;
    m_lines = nullptr;
    // Always at least one entry, so the table is never a null pointer.
    m_lines = new uint8_t*[size_t(m_height) + 1];
    size_t lineBytes = size_t(GetLineBytes());
    for (int i = 0; i < m_height; ++i)
        m_lines[i] = m_pixels + size_t(m_height - 1 - i) * lineBytes;
}

void CWinBmp::LocateDIBParts()
{
    int bitCount = GetLE16(m_dib + kHdrBitCount);
    m_palette = bitCount <= 15 ? reinterpret_cast<PaletteEntry*>(m_dib + kDibHeaderSize) : nullptr;
    m_pixels = m_dib + kDibHeaderSize + PaletteBytes(bitCount);
}

void CWinBmp::CreateFromDIB(const uint8_t* header, size_t available)
{
    if (available < kDibHeaderSize)
        RaiseError(ErrBadFormat, "Bitmap decoder: BITMAPINFOHEADER has wrong size.");
    auto width = int32_t(GetLE32(header + kHdrWidth));
    auto height = int32_t(GetLE32(header + kHdrHeight));
    int bitCount = GetLE16(header + kHdrBitCount);
    if (bitCount != 1 && bitCount != 8 && bitCount != 32)
        RaiseError(ErrBadFormat, "Decoding bmp: Illegal bpp value.");
    CheckPictureSize(width, height);
    size_t size = BlockSize(width, height, bitCount);
    if (size > available)
        throw CTextException(ErrEndOfFile, kTextEndOfFile);
    ReleaseStorage();
    m_dib = static_cast<uint8_t*>(std::malloc(size));
    if (!m_dib)
        throw std::bad_alloc();
    m_dibSize = size;
    std::memcpy(m_dib, header, size);
    LocateDIBParts();
    try {
        m_width = width;
        m_height = height;
        m_bitsPerPixel = uint16_t(bitCount);
        m_hasAlpha = false;
        BuildLineTable();
    } catch (...) {
        ReleaseStorage();
        throw;
    }
}

const CBmp& CWinBmp::With32Bits(const CBmp& bmp, CWinBmp& copy)
{
    if (bmp.GetBitsPerPixel() == 32)
        return bmp;
    copy.CopyFrom(bmp, 32);
    return copy;
}

void CWinBmp::Swap(CWinBmp& other) noexcept
{
    std::swap(m_width, other.m_width);
    std::swap(m_height, other.m_height);
    std::swap(m_bitsPerPixel, other.m_bitsPerPixel);
    std::swap(m_sourceBitsPerPixel, other.m_sourceBitsPerPixel);
    std::swap(m_palette, other.m_palette);
    std::swap(m_pixels, other.m_pixels);
    std::swap(m_hasAlpha, other.m_hasAlpha);
    std::swap(m_lines, other.m_lines);
    std::swap(m_dib, other.m_dib);
    std::swap(m_dibSize, other.m_dibSize);
}

void CWinBmp::WriteBmp(const ByteSink& sink) const
{
    const bool indexed = m_bitsPerPixel <= 8;
    const size_t paletteBytes = indexed ? PaletteBytes(m_bitsPerPixel) : 0;
    const uint32_t offset = uint32_t(kFileHeaderSize + kDibHeaderSize + paletteBytes);
    const size_t outLineBytes = indexed ? size_t(GetLineBytes()) : (size_t(3) * m_width + 3) & ~size_t(3);
    const size_t fileSize = offset + outLineBytes * size_t(m_height);

    uint8_t header[kFileHeaderSize + kDibHeaderSize] = {'B', 'M'};
    PutLE32(header + 2, uint32_t(fileSize));
    PutLE32(header + 10, offset);
    std::memcpy(header + kFileHeaderSize, m_dib, kDibHeaderSize);
    if (indexed) {
        sink(header, sizeof header);
        sink(m_palette, paletteBytes);
        sink(m_pixels, outLineBytes * size_t(m_height));
        return;
    }
    PutLE16(header + kFileHeaderSize + kHdrBitCount, 24);
    sink(header, sizeof header);
    // The padding bytes are 0x20, 0x00, 0x00, as the program always wrote them.
    static const uint8_t kPadding[3] = {0x20, 0x00, 0x00};
    const size_t padding = (4 - (3 * size_t(m_width)) % 4) % 4;
    std::unique_ptr<uint8_t[]> row(new uint8_t[outLineBytes]);
    for (int y = m_height - 1; y >= 0; --y) {
        const uint8_t* in = m_lines[y];
        uint8_t* o = row.get();
        for (int x = 0; x < m_width; ++x, in += 4, o += 3) {
            o[0] = in[0];
            o[1] = in[1];
            o[2] = in[2];
        }
        std::memcpy(o, kPadding, padding);
        sink(row.get(), outLineBytes);
    }
}

void CWinBmp::SaveAsBmpFile(const std::string& fileName) const
{
    COutputFile file(fileName);
    WriteBmp([&file](const void* data, size_t size) { file.Write(data, size); });
    file.Commit();
}
