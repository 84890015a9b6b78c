// CBmp: geometry, pixel format, palette and the top-down line table shared
// by every picture in the program.
#pragma once

#include "engine/picture/ColourProfile.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>

// One palette entry, in the byte order of a 32-bit pixel.
struct PaletteEntry {
    uint8_t blue, green, red, alpha;
};
static_assert(sizeof(PaletteEntry) == 4);

// Largest picture we create: 2^28 pixels (1 GiB at 32 bits per pixel).
inline constexpr int64_t kMaxPixels = int64_t(1) << 28;
// Longest side we create (keeps the line table of a thin picture small).
inline constexpr int64_t kMaxSide = int64_t(1) << 24;

// Throws CTextException(ErrNoMemory, "Out of memory.") unless a picture of
// width x height fits: sides non-negative and at most kMaxSide, at most
// kMaxPixels in all (an empty side counted as 1).
void CheckPictureSize(int64_t width, int64_t height);
[[noreturn]] void ThrowOutOfMemory();

// An uninitialised buffer of `count` elements; failure is ErrNoMemory.
template <class T> std::unique_ptr<T[]> AllocateBuffer(size_t count)
{
    std::unique_ptr<T[]> p(new (std::nothrow) T[count]);
    if (!p)
        ThrowOutOfMemory();
    return p;
}

// 32-bit pixel helpers: a pixel read as a little-endian word is 0xAARRGGBB.
inline constexpr uint32_t MakePixel(uint8_t red, uint8_t green, uint8_t blue, uint8_t alpha = 255)
{
    return uint32_t(blue) | uint32_t(green) << 8 | uint32_t(red) << 16 | uint32_t(alpha) << 24;
}
inline uint32_t PaletteToPixel(const PaletteEntry& e)
{
    return MakePixel(e.red, e.green, e.blue, e.alpha);
}

// Bit `bit` of eight palette indices as one plane byte, the first index in
// the top bit: eight pixels of a bit plane at once.
inline uint8_t GatherPlaneByte(const uint8_t* eight, int bit)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = v << 8 | eight[i];
    return uint8_t(((v >> bit) & 0x0101010101010101ull) * 0x8040201008040201ull >> 56);
}

class CBmp {
  public:
    CBmp() = default;
    CBmp(const CBmp&) = delete;
    CBmp& operator=(const CBmp&) = delete;
    virtual ~CBmp() = default;

    // Releases the storage and allocates a new picture; contents are lost.
    // Refuses negative or oversized dimensions (ErrNoMemory).
    virtual void Create(int width, int height, uint16_t bitsPerPixel, bool hasAlpha);

    // wantedDepth 0 keeps the source depth; otherwise 1, 8 or 32.
    void CopyFrom(const CBmp& source, int wantedDepth = 0);

    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    uint16_t GetBitsPerPixel() const { return m_bitsPerPixel; }
    uint32_t GetColorCount() const;
    bool HasAlphaChannel() const { return m_hasAlpha; }
    void SetHasAlpha(bool hasAlpha) { m_hasAlpha = hasAlpha && m_bitsPerPixel == 32; }
    PaletteEntry* GetPalette() { return m_palette; }
    const PaletteEntry* GetPalette() const { return m_palette; }
    uint8_t** GetLines() { return m_lines; }
    const uint8_t* const* GetLines() const { return m_lines; }
    uint8_t* GetLine(int y) { return m_lines[y]; }
    const uint8_t* GetLine(int y) const { return m_lines[y]; }
    // Line y of a 32-bit picture as pixels.
    uint32_t* GetLine32(int y) { return reinterpret_cast<uint32_t*>(m_lines[y]); }
    const uint32_t* GetLine32(int y) const { return reinterpret_cast<const uint32_t*>(m_lines[y]); }
    int GetSourceBitsPerPixel() const { return m_sourceBitsPerPixel; }
    void SetSourceBitsPerPixel(int bits) { m_sourceBitsPerPixel = bits; }
    // The colour description the picture came with; null when none (shown
    // and saved as it is). Copies and edits keep it.
    const ColourProfilePtr& GetColourProfile() const { return m_colourProfile; }
    void SetColourProfile(ColourProfilePtr profile) { m_colourProfile = std::move(profile); }

    void SetGrayscalePalette();
    // Copies 2^bitsPerPixel entries.
    void SetPalette(const PaletteEntry* entries);

    virtual size_t GetMemoryUsed() const = 0;
    virtual int GetLineBytes() const = 0;

    // Line length for a width and depth, padding to 4 bytes included.
    static int LineBytesFor(int width, int bitsPerPixel);

  protected:
    virtual void AllocateStorage(int width, int height, uint16_t bitsPerPixel, bool hasAlpha) = 0;
    virtual void ReleaseStorage() = 0;
    virtual void BuildLineTable() = 0;
    void SetFormat(int width, int height, uint16_t bitsPerPixel, bool hasAlpha);

    int m_width = 0;
    int m_height = 0;
    uint16_t m_bitsPerPixel = 0;
    int m_sourceBitsPerPixel = 0;
    PaletteEntry* m_palette = nullptr;
    uint8_t* m_pixels = nullptr;
    bool m_hasAlpha = false;
    uint8_t** m_lines = nullptr;
    ColourProfilePtr m_colourProfile;

  private:
    void Convert8To32(const CBmp& source);
    void Convert1To32(const CBmp& source);
    void Convert1To8(const CBmp& source);
    void ConvertTo1(const CBmp& source);
    void Convert32To8(const CBmp& source);
};

// Writers whose format holds limited sizes: throws CTextException
// (ErrUnsupported) unless the picture is 1 x 1 to maxWidth x maxHeight.
void CheckSizeForFormat(const CBmp& bmp, int maxWidth, int maxHeight);

// True when the 32-bit bitmap's lines are one bottom-up block without
// padding, so a library that writes flipped rows can fill it in place.
bool IsBottomUpBlock(CBmp& bmp);
