#include "engine/picture/WinBmp.h"

#include "engine/picture/HugePages.h"
#include "engine/picture/TextException.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace {

size_t PaletteBytes(int bitsPerPixel)
{
    return bitsPerPixel <= 15 ? size_t(4) << bitsPerPixel : 0;
}

} // namespace

CWinBmp::CWinBmp()
{
    Create(16, 16, 8, false);
}

CWinBmp::~CWinBmp()
{
    CWinBmp::ReleaseStorage();
}

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

DibHeader CWinBmp::GetDIBHeader() const
{
    // The block always starts with a Windows 3 header (AllocateStorage and
    // CreateFromDIB see to it).
    return *ParseDibHeader(ByteView(m_dib, kDibHeaderSize));
}

void CWinBmp::SetBlockFormat(int width, int height, uint16_t bitsPerPixel, bool hasAlpha)
{
    DibHeader header = GetDIBHeader();
    header.width = width;
    header.height = height;
    header.bitCount = bitsPerPixel;
    StoreDibHeader(header, ByteSpan(m_dib, kDibHeaderSize));
    LocateDIBParts();
    try {
        SetFormat(width, height, bitsPerPixel, hasAlpha);
    } catch (...) {
        ReleaseStorage();
        throw;
    }
}

size_t CWinBmp::GetMemoryUsed() const
{
    return m_dibSize + kDibHeaderSize;
}

int CWinBmp::GetLineBytes() const
{
    return LineBytesFor(m_width, m_bitsPerPixel);
}

namespace {

// malloc'd storage may be read as bytes or as 32-bit pixels. A large
// picture is kept in huge pages where some are free (AdviseHugePages): far
// fewer page faults while it is filled and far fewer TLB misses when it is
// read across its lines (turning, scaling down). Its pixels, `pixelOffset` bytes into
// the block, start on a cache line, so whole lines can be written at once.
// Returns the block; `allocation` receives what is to be freed.
uint8_t* AllocateBlock(size_t size, size_t pixelOffset, uint8_t*& allocation)
{
    constexpr size_t kHugePage = size_t(2) << 20;
    constexpr size_t kCacheLine = 64;
    if (size >= 4 * kHugePage) {
        const size_t lead = (kCacheLine - pixelOffset % kCacheLine) % kCacheLine;
        const size_t rounded = (lead + size + kHugePage - 1) / kHugePage * kHugePage;
        if (void* block = std::aligned_alloc(kHugePage, rounded)) {
            AdviseHugePages(block, rounded);
            allocation = static_cast<uint8_t*>(block);
            return allocation + lead;
        }
    }
    allocation = static_cast<uint8_t*>(std::malloc(size));
    return allocation;
}

} // namespace

void CWinBmp::AllocateStorage(int width, int height, uint16_t bitsPerPixel, bool hasAlpha)
{
    size_t size = BlockSize(width, height, bitsPerPixel);
    m_dib = AllocateBlock(size, kDibHeaderSize + PaletteBytes(bitsPerPixel), m_allocation);
    if (!m_dib)
        throw std::bad_alloc();
    m_dibSize = size;
    // Size 40, planes 1, everything else 0 until SetBlockFormat.
    StoreDibHeader(DibHeader{}, ByteSpan(m_dib, kDibHeaderSize));
    SetBlockFormat(width, height, bitsPerPixel, hasAlpha);
}

void CWinBmp::ReleaseStorage()
{
    std::free(m_allocation);
    m_allocation = nullptr;
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
    const int bitCount = GetDIBHeader().bitCount;
    m_palette = bitCount <= 15 ? reinterpret_cast<PaletteEntry*>(m_dib + kDibHeaderSize) : nullptr;
    m_pixels = m_dib + kDibHeaderSize + PaletteBytes(bitCount);
}

void CWinBmp::CreateFromDIB(const uint8_t* header, size_t available)
{
    if (available < kDibHeaderSize || DibHeaderSizeField(ByteView(header, available)) != kDibHeaderSize)
        RaiseError(ErrBadFormat, "Bitmap decoder: BITMAPINFOHEADER has wrong size.");
    const DibHeader info = *ParseDibHeader(ByteView(header, available));
    const int32_t width = info.width;
    const int32_t height = info.height;
    const int bitCount = info.bitCount;
    if (bitCount != 1 && bitCount != 8 && bitCount != 32)
        RaiseError(ErrBadFormat, "Decoding bmp: Illegal bpp value.");
    CheckPictureSize(width, height);
    size_t size = BlockSize(width, height, bitCount);
    if (size > available)
        throw CTextException(ErrEndOfFile, kTextEndOfFile);
    ReleaseStorage();
    m_dib = AllocateBlock(size, kDibHeaderSize + PaletteBytes(bitCount), m_allocation);
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

const CBmp& As32Bits(const CBmp& bmp, std::unique_ptr<CWinBmp>& holder)
{
    if (bmp.GetBitsPerPixel() == 32)
        return bmp;
    try {
        holder = std::make_unique<CWinBmp>();
        holder->CopyFrom(bmp, 32);
    } catch (const std::bad_alloc&) {
        throw CTextException(ErrNoMemory, kTextOutOfMemory);
    }
    return *holder;
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
    std::swap(m_colourProfile, other.m_colourProfile);
    std::swap(m_allocation, other.m_allocation);
    std::swap(m_dib, other.m_dib);
    std::swap(m_dibSize, other.m_dibSize);
}
